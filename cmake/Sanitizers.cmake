# Sanitizer builds of the whole tree: -DQL50_SANITIZE=address,undefined or -DQL50_SANITIZE=thread.
set(QL50_SANITIZE "" CACHE STRING "Sanitizers for the whole tree (address,undefined or thread)")
if(QL50_SANITIZE)
  add_compile_options(-fsanitize=${QL50_SANITIZE} -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${QL50_SANITIZE})
  # With the sanitizers' instrumentation g++ 12 warns of uninitialised members inside
  # std::function and std::regex that are initialised; the sanitizers check the real thing.
  add_compile_options(-Wno-maybe-uninitialized)
endif()
