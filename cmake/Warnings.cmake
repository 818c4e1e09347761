# The warnings of the project's own code; QL50_WERROR makes them errors.
option(QL50_WERROR "Treat warnings in the project's own code as errors" OFF)
add_library(ql50_warnings INTERFACE)
target_compile_options(ql50_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                       -Wnon-virtual-dtor -Woverloaded-virtual)
if(QL50_WERROR)
  target_compile_options(ql50_warnings INTERFACE -Werror)
endif()
