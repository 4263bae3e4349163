# Warnings for every target of the project.
add_library(tessor_warnings INTERFACE)
target_compile_options(tessor_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wconversion -Wsign-conversion
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(TESSOR_WERROR)
  target_compile_options(tessor_warnings INTERFACE -Werror)
endif()
