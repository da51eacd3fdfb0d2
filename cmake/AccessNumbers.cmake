# The dial-in numbers of the plans are deployment constants: give the real
# ones when configuring, e.g. -DACCESS_NUMBER_A=12345678. The defaults are
# placeholders that dial nowhere. What a number must be, and which plans
# share one, the plan table says (src/logic/plan_table.cpp), and the build
# stops there on a number that is not one.
set(ACCESS_NUMBER_A "01010101" CACHE STRING "Dial-in number of plan Sorvel 10 (eight digits)")
set(ACCESS_NUMBER_B "02020202" CACHE STRING "Dial-in number of plans Sorvel 25 and Sorvel Ever (eight digits)")
set(ACCESS_NUMBER_C "03030303" CACHE STRING "Dial-in number of plan Sorvel 60 (eight digits)")

configure_file(${PROJECT_SOURCE_DIR}/src/logic/access_numbers.h.in
               ${PROJECT_BINARY_DIR}/generated/access_numbers.h @ONLY)
