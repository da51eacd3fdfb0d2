# Run by CPack once the zip is made: writes SHA256SUMS, in the form that
# `sha256sum -c SHA256SUMS` checks, into the directory the zip is copied to.
# CPack runs this before that copy, while the zip is still in its work area.
set(sums "")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  file(SHA256 "${package}" sum)
  get_filename_component(name "${package}" NAME)
  string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")
