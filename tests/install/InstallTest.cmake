# Installs the build into a fresh prefix and checks what a Linux desktop needs is there.
# Variables: KORVANE_BUILD_DIR, KORVANE_WORK_DIR, KORVANE_GUIDE, KORVANE_WITH_QT.
set(failures 0)
# check(CONDITION MESSAGE): CONDITION is the text of an if() condition.
macro(check condition message)
  cmake_language(EVAL CODE "if(${condition})\n set(held TRUE)\nelse()\n set(held FALSE)\nendif()")
  if(NOT held)
    message(SEND_ERROR "${message}")
    math(EXPR failures "${failures} + 1")
  endif()
endmacro()

file(REMOVE_RECURSE "${KORVANE_WORK_DIR}")
set(prefix "${KORVANE_WORK_DIR}/prefix with space")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${KORVANE_BUILD_DIR}" --prefix "${prefix}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(files bin/korvane-cli share/applications/korvane.desktop share/doc/korvane/README.md
          share/doc/korvane/LICENSE)
if(KORVANE_WITH_QT)
  list(APPEND files bin/korvane)
endif()
set(sizes 16 22 24 32 48 64 128 256)
foreach(size IN LISTS sizes)
  list(APPEND files share/icons/hicolor/${size}x${size}/apps/korvane.png)
endforeach()
foreach(f IN LISTS files)
  check("EXISTS \"${prefix}/${f}\"" "not installed: ${f}")
endforeach()
set(guide "${prefix}/share/doc/korvane/KorvaneGuideAll.htm")
if(EXISTS "${KORVANE_GUIDE}")
  check("EXISTS \"${guide}\"" "the guide ${KORVANE_GUIDE} was not installed")
  # Its pictures beside it.
  get_filename_component(guide_dir "${KORVANE_GUIDE}" DIRECTORY)
  file(GLOB pictures RELATIVE "${guide_dir}" "${guide_dir}/*.png")
  foreach(picture IN LISTS pictures)
    check("EXISTS \"${prefix}/share/doc/korvane/${picture}\"" "the guide's picture ${picture} was not installed")
  endforeach()
else()
  check("NOT EXISTS \"${guide}\"" "a guide was installed though there is none")
endif()

# Each icon is a PNG of its size: the width and height of the IHDR chunk, big-endian.
foreach(size IN LISTS sizes)
  set(icon "${prefix}/share/icons/hicolor/${size}x${size}/apps/korvane.png")
  if(EXISTS "${icon}")
    file(READ "${icon}" head LIMIT 24 HEX)
    string(SUBSTRING "${head}" 0 16 signature)
    string(SUBSTRING "${head}" 32 8 width)
    string(SUBSTRING "${head}" 40 8 height)
    math(EXPR expected "${size}" OUTPUT_FORMAT HEXADECIMAL)
    string(REPLACE "0x" "" expected "${expected}")
    string(LENGTH "${expected}" digits)
    while(digits LESS 8)
      string(PREPEND expected "0")
      math(EXPR digits "${digits} + 1")
    endwhile()
    check("signature STREQUAL \"89504e470d0a1a0a\"" "${icon} is no PNG")
    check("width STREQUAL \"${expected}\" AND height STREQUAL \"${expected}\""
          "${icon} is ${width} x ${height}, not ${size} x ${size}")
  endif()
endforeach()

# The entry passes desktop-file-validate and starts the installed program.
set(entry "${prefix}/share/applications/korvane.desktop")
find_program(VALIDATE desktop-file-validate)
check("VALIDATE" "desktop-file-validate was not found (package desktop-file-utils)")
if(VALIDATE AND EXISTS "${entry}")
  execute_process(COMMAND ${VALIDATE} "${entry}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  check("result EQUAL 0 AND output STREQUAL \"\"" "desktop-file-validate: ${output}")
endif()
file(STRINGS "${entry}" exec REGEX "^Exec=")
set(wanted "Exec=\"${prefix}/bin/korvane\" %f")
check("exec STREQUAL wanted" "the entry has ${exec}, not ${wanted}")
file(READ "${entry}" text)
string(REGEX MATCH "\nMimeType=[^\n]*" mime "${text}")
string(REGEX REPLACE "^\nMimeType=" "" mime "${mime}") # a list: the types end with ;
foreach(type DNG:image/x-adobe-dng CR2:image/x-canon-cr2 NEF:image/x-nikon-nef
             ORF:image/x-olympus-orf PEF:image/x-pentax-pef ARW:image/x-sony-arw
             DCR:image/x-kodak-dcr KDC:image/x-kodak-kdc)
  string(REGEX REPLACE "^[^:]*:" "" type "${type}")
  list(FIND mime "${type}" at)
  check("at GREATER -1" "the entry does not name ${type}")
endforeach()
# Every type the entry names is one the system's MIME database defines (or one we install).
file(GLOB packages /usr/share/mime/packages/*.xml "${prefix}/share/mime/packages/*.xml")
set(known "")
foreach(p IN LISTS packages)
  file(STRINGS "${p}" lines REGEX "<mime-type type=")
  string(APPEND known "${lines}")
endforeach()
foreach(type IN LISTS mime)
  if(NOT type STREQUAL "")
    string(FIND "${known}" "type=\"${type}\"" at)
    check("at GREATER -1" "no MIME package defines ${type}")
  endif()
endforeach()

# The installed programs run.
execute_process(COMMAND "${prefix}/bin/korvane-cli" --help RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
check("result EQUAL 0" "the installed korvane-cli --help failed:\n${output}")

# A package build: DESTDIR holds the files, the entry names the final place.
set(ENV{DESTDIR} "${KORVANE_WORK_DIR}/stage")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${KORVANE_BUILD_DIR}" --prefix /opt/korvane
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
unset(ENV{DESTDIR})
check("result EQUAL 0" "cmake --install with DESTDIR failed:\n${output}")
set(staged "${KORVANE_WORK_DIR}/stage/opt/korvane/share/applications/korvane.desktop")
check("EXISTS \"${staged}\"" "DESTDIR install left no entry at ${staged}")
if(EXISTS "${staged}")
  file(STRINGS "${staged}" exec REGEX "^Exec=")
  set(wanted "Exec=\"/opt/korvane/bin/korvane\" %f")
  check("exec STREQUAL wanted" "the staged entry has ${exec}, not ${wanted}")
endif()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} check(s) failed")
endif()
message(STATUS "installed and checked ${prefix}")
