# The warning level every target of the project builds clean at.
add_library(planchoice_warnings INTERFACE)
if(MSVC)
  target_compile_options(planchoice_warnings INTERFACE /W4 /permissive-)
else()
  target_compile_options(planchoice_warnings INTERFACE -Wall -Wextra -Wpedantic)
endif()
