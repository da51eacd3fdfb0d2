# Run at build time: writes README.txt from its template, with the texts the
# programs' own code makes, as the program release_text prints them.
#   cmake -DRELEASE_TEXT=release_text -DTEMPLATE=README.txt.in -DOUTPUT=README.txt
#         -DPROJECT_VERSION=... -DCPACK_SYSTEM_NAME=... -DACCESS_NUMBER_A=... (B, C)
#         -DPLANCHOICE_PROFILE_NAME=... -DPLANCHOICE_WORK_NAME=... -DPLANCHOICE_PROGRAM_TITLE=...
#         -P write_readme.cmake
cmake_minimum_required(VERSION 3.25)

# Sets `variable` to the text that `release_text <text>` prints, with CR LF
# line ends: Notepad shows only those as line ends, and configure_file makes
# only the template's own line ends CR LF. The template ends the last line.
function(release_text text variable)
  execute_process(COMMAND "${RELEASE_TEXT}" ${text} OUTPUT_VARIABLE printed
                  COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "\r\n" "\n" printed "${printed}")
  string(REGEX REPLACE "\n$" "" printed "${printed}")
  string(REPLACE "\n" "\r\n" printed "${printed}")
  set(${variable} "${printed}" PARENT_SCOPE)
endfunction()

release_text(planset-help PLANSET_HELP)
release_text(window-exit-codes WINDOW_EXIT_CODES)
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY NEWLINE_STYLE CRLF)
