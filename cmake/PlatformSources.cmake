# Platform differences live in small files of their own behind one header: a source
# Foo.cpp has a Windows counterpart FooWindows.cpp when it must differ there.
#
# dremlor_select_platform_sources (<list variable>) filters a list of sources by name:
#   - any source whose name ends in "Windows" (FooWindows.cpp) is built for Windows
#     only, whether or not it has a Foo.cpp beside it: everywhere else it is dropped,
#     without a word, so a Windows-only file needs no list of its own;
#   - on Windows, Foo.cpp is dropped when FooWindows.cpp lies beside it.
# So a file whose name merely happens to end in "Windows" is never built on Linux.

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
