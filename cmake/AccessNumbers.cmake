# The dial-in numbers of the plans are deployment constants: give the real
# ones when configuring, e.g. -DACCESS_NUMBER_A=12345678. The defaults are
# placeholders that dial nowhere.
set(ACCESS_NUMBER_A "01010101" CACHE STRING "Dial-in number of plan Sorvel 10 (eight digits)")
set(ACCESS_NUMBER_B "02020202" CACHE STRING "Dial-in number of plans Sorvel 25 and Sorvel Ever (eight digits)")
set(ACCESS_NUMBER_C "03030303" CACHE STRING "Dial-in number of plan Sorvel 60 (eight digits)")

foreach(name ACCESS_NUMBER_A ACCESS_NUMBER_B ACCESS_NUMBER_C)
  if(NOT "${${name}}" MATCHES "^[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]$")
    message(FATAL_ERROR "${name} must be exactly eight decimal digits, not \"${${name}}\".")
  endif()
endforeach()

foreach(pair "A;B" "A;C" "B;C")
  list(GET pair 0 first)
  list(GET pair 1 second)
  if(ACCESS_NUMBER_${first} STREQUAL ACCESS_NUMBER_${second})
    message(FATAL_ERROR
      "ACCESS_NUMBER_${first} and ACCESS_NUMBER_${second} are both ${ACCESS_NUMBER_${first}}; "
      "each plan group needs its own number.")
  endif()
endforeach()

configure_file(${PROJECT_SOURCE_DIR}/src/logic/access_numbers.h.in
               ${PROJECT_BINARY_DIR}/generated/access_numbers.h @ONLY)
