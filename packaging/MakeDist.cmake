# Writes the archives handed out to authors: the Windows and the Linux program folder, each as
# one folder "Quernel <version>" with a short readme. Run as a script:
#   cmake -DVERSION=2.0.1 -DLINUX_DIR=... -DWINDOWS_DIR=... -DOUT=... [-DSTRIP=/usr/bin/strip]
#         -P packaging/MakeDist.cmake
# Only the files named here go in: a program folder in use also holds the author's packages.
# Each archive is written beside its final name and renamed into place, so a failed run leaves
# the previous archive or none, never a part of one.
cmake_minimum_required(VERSION 3.21)

foreach(required VERSION LINUX_DIR WINDOWS_DIR OUT)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "MakeDist: -D${required}=... is missing")
  endif()
endforeach()

set(QUERNEL_VERSION "${VERSION}")
set(folder_name "Quernel ${VERSION}")
set(stage "${OUT}/.stage")
file(REMOVE_RECURSE "${stage}")

# Copies the program folder's files into stage/kind/"Quernel <version>" with the readme.
function(stage_program_folder kind from readme newline)
  set(root "${stage}/${kind}/${folder_name}")
  foreach(file IN LISTS ARGN)
    if(NOT EXISTS "${from}/${file}")
      message(FATAL_ERROR "MakeDist: ${from}/${file} is missing; build the programs first")
    endif()
    get_filename_component(subfolder "${file}" DIRECTORY)
    file(COPY "${from}/${file}" DESTINATION "${root}/${subfolder}")
  endforeach()
  configure_file("${CMAKE_CURRENT_LIST_DIR}/${readme}" "${root}/README.txt" @ONLY NEWLINE_STYLE ${newline})
endfunction()

# Packs stage/kind into OUT/archive through a temporary beside it.
function(pack kind archive flags)
  set(part "${OUT}/${archive}.part")
  file(REMOVE "${part}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E tar ${flags} "${part}" ${ARGN} -- "${folder_name}"
                  WORKING_DIRECTORY "${stage}/${kind}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    file(REMOVE "${part}")
    message(FATAL_ERROR "MakeDist: could not write ${OUT}/${archive}")
  endif()
  file(RENAME "${part}" "${OUT}/${archive}")
  message(STATUS "Wrote ${OUT}/${archive}")
endfunction()

file(MAKE_DIRECTORY "${OUT}")

stage_program_folder(windows "${WINDOWS_DIR}" README-windows.txt.in CRLF
  arVemko.exe filecopy.avi errors.html Redist/setup.exe)
pack(windows "Quernel-${VERSION}-windows-x64.zip" cf --format=zip)

stage_program_folder(linux "${LINUX_DIR}" README-linux.txt.in UNIX
  arVemko filecopy.avi errors.html Redist/setup Redist/setup.exe)
# Authors need no debugging symbols: the Linux programs shrink to a fraction.
if(STRIP)
  foreach(program arVemko Redist/setup)
    execute_process(COMMAND "${STRIP}" "${stage}/linux/${folder_name}/${program}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "MakeDist: could not strip ${program}")
    endif()
  endforeach()
endif()
pack(linux "Quernel-${VERSION}-linux-x86_64.tar.gz" czf)

file(REMOVE_RECURSE "${stage}")
