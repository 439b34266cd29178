# Platform differences live in small files of their own behind one header: a source
# Foo.cpp has a Windows counterpart FooWindows.cpp when it must differ there.
# dremlor_select_platform_sources (<list variable>) keeps, for each such pair, the
# file for the platform being built, and drops the other.

function (dremlor_select_platform_sources variable)
    set (selected)

    foreach (source IN LISTS ${variable})
        string (REGEX REPLACE "\\.cpp$" "" stem "${source}")

        if (stem MATCHES "Windows$")
            set (keep ${WIN32})
        elseif (WIN32 AND EXISTS "${stem}Windows.cpp")
            set (keep FALSE)
        else()
            set (keep TRUE)
        endif()

        if (keep)
            list (APPEND selected "${source}")
        endif()
    endforeach()

    set (${variable} "${selected}" PARENT_SCOPE)
endfunction()
