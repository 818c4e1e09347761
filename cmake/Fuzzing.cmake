# The fuzzing build: -DQL50_FUZZ=ON with clang. It builds only the plain libraries and the fuzz
# targets, all compiled with libFuzzer's coverage instrumentation and the address and
# undefined-behaviour sanitizers; a sanitizer report stops the fuzzer like a crash.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QL50_FUZZ needs clang: "
                      "CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQL50_FUZZ=ON")
endif()
if(QL50_SANITIZE)
  message(FATAL_ERROR "QL50_FUZZ brings its own sanitizers; leave QL50_SANITIZE empty")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=address,undefined)
# The project's warnings are g++'s; clang's -Wconversion also warns of every change of sign,
# which g++'s leaves to -Wsign-conversion.
target_compile_options(ql50_warnings INTERFACE -Wno-sign-conversion)
