# Whether a Windows program or DLL is signed as the build says, read from
# what `objdump -p` shows of it: a signed file's certificate table has a size.
#   signature_problem(<objdump -p text> <file> <expected ON|OFF> <variable>)
# sets the variable to what is wrong, or to "" when nothing is.
function(signature_problem headers file expected variable)
  set(problem "")
  if(NOT headers MATCHES "Entry 4 [0-9a-fA-F]+ ([0-9a-fA-F]+) Security Directory")
    set(${variable} "objdump shows no certificate table entry for ${file}" PARENT_SCOPE)
    return()
  endif()
  string(REGEX MATCH "[^0]" signed "${CMAKE_MATCH_1}")
  if(expected AND NOT signed)
    set(problem "${file} carries no signature, though this build signs it")
  elseif(signed AND NOT expected)
    set(problem "${file} carries a signature, though this build signs nothing")
  endif()
  set(${variable} "${problem}" PARENT_SCOPE)
endfunction()
