# A text file as the Windows zip carries it: lines end in CR LF, and each
# image the file names by a path beside it is inlined as a data: URI, so that
# the one file shows everything wherever it is opened.
# cmake -DIN=FILE -DOUT=FILE -P windows_text.cmake
cmake_minimum_required(VERSION 3.20)
if(NOT EXISTS "${IN}")
  message(FATAL_ERROR "${IN} is missing")
endif()
file(READ "${IN}" text)
get_filename_component(dir "${IN}" DIRECTORY)

string(REGEX MATCHALL "src=\"[^\":/]+\\.png\"" images "${text}")
if(images)
  list(REMOVE_DUPLICATES images)
endif()
foreach(image IN LISTS images)
  string(REGEX REPLACE "^src=\"(.*)\"$" "\\1" name "${image}")
  execute_process(COMMAND base64 -w0 "${dir}/${name}" OUTPUT_VARIABLE data RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${IN} shows ${name}, which could not be read beside it")
  endif()
  string(REPLACE "${image}" "src=\"data:image/png;base64,${data}\"" text "${text}")
endforeach()

# Anything else named beside the file would be missing from the zip.
if(text MATCHES "(src|href)=\"[^\"#:]+\"")
  message(FATAL_ERROR "${IN} refers to a file beside it (${CMAKE_MATCH_0}), which the zip does not carry")
endif()

string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE "${OUT}" "${text}")
