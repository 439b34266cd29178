# Instruments everything compiled after this point, JUCE included, so that the
# sanitizers see every access and every lock.

if (DREMLOR_SANITIZE STREQUAL "address")
    set (DREMLOR_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif (DREMLOR_SANITIZE STREQUAL "thread")
    set (DREMLOR_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif (NOT DREMLOR_SANITIZE STREQUAL "")
    message (FATAL_ERROR "DREMLOR_SANITIZE must be empty, address or thread")
endif()

if (DREMLOR_SANITIZER_FLAGS)
    add_compile_options (${DREMLOR_SANITIZER_FLAGS})
    add_link_options (${DREMLOR_SANITIZER_FLAGS})
    set (DREMLOR_BUILD_BENCHMARKS OFF CACHE BOOL "" FORCE)
endif()

# The address-sanitizer build keeps the program (one more link: its libraries are the
# tests' own), so that a start of the real program runs under it; the thread-sanitizer
# build leaves it out.
if (DREMLOR_SANITIZE STREQUAL "thread")
    set (DREMLOR_BUILD_APP OFF CACHE BOOL "" FORCE)
endif()

# The libraries whose branches guide the fuzz targets (cmake/Fuzzing.cmake).
set (DREMLOR_FUZZED_LIBRARIES dremlor_text dremlor_devicelink dremlor_skin dremlor_sendfile dremlor_update)
