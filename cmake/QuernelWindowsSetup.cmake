# setup.exe for Windows, cross-compiled with mingw-w64 as a project of its own (a second
# toolchain cannot live in this one) and placed as Redist/setup.exe in the program folder.
include(ExternalProject)

set(QUERNEL_WINDOWS_BUILD_DIR "${CMAKE_BINARY_DIR}/windows")
set(QUERNEL_WINDOWS_SETUP "${QUERNEL_PROGRAM_DIR}/Redist/setup.exe")
# The Windows program folder beside the Linux one: arVemko.exe, filecopy.avi, the error-code help
# page and Redist\setup.exe, ready to copy to a Windows machine.
set(QUERNEL_WINDOWS_PROGRAM_DIR "${CMAKE_BINARY_DIR}/app-windows")
set(QUERNEL_WINDOWS_WIZARD "${QUERNEL_WINDOWS_BUILD_DIR}/app/arVemko.exe")

set(quernel_windows_args
  -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
  -DCMAKE_BUILD_TYPE=Release)
if(CMAKE_CXX_COMPILER_LAUNCHER)
  list(APPEND quernel_windows_args -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER})
endif()

ExternalProject_Add(setup_windows
  SOURCE_DIR "${CMAKE_SOURCE_DIR}/installer/windows"
  BINARY_DIR "${QUERNEL_WINDOWS_BUILD_DIR}"
  CMAKE_ARGS ${quernel_windows_args}
  # The sources live in this tree: build on every build so that an edit is never missed.
  BUILD_ALWAYS ON
  INSTALL_COMMAND "${CMAKE_COMMAND}" -E copy_if_different
                  "${QUERNEL_WINDOWS_BUILD_DIR}/setup.exe" "${QUERNEL_WINDOWS_SETUP}"
          COMMAND "${CMAKE_COMMAND}" -E make_directory "${QUERNEL_WINDOWS_PROGRAM_DIR}/Redist"
          COMMAND "${CMAKE_COMMAND}" -E copy_if_different
                  "${QUERNEL_WINDOWS_BUILD_DIR}/setup.exe" "${QUERNEL_WINDOWS_PROGRAM_DIR}/Redist/setup.exe"
          COMMAND "${CMAKE_COMMAND}" -E copy_if_different
                  "${QUERNEL_WINDOWS_WIZARD}" "${QUERNEL_WINDOWS_PROGRAM_DIR}/arVemko.exe"
  BUILD_BYPRODUCTS "${QUERNEL_WINDOWS_BUILD_DIR}/setup.exe" "${QUERNEL_WINDOWS_SETUP}"
                   "${QUERNEL_WINDOWS_WIZARD}" "${QUERNEL_WINDOWS_PROGRAM_DIR}/arVemko.exe"
  USES_TERMINAL_BUILD ON)

# The rest of the Windows program folder: the clip the build draws and the error-code help page,
# the same files as in the Linux one.
add_custom_target(windows_program_folder ALL
  COMMAND "${CMAKE_COMMAND}" -E copy_if_different "${QUERNEL_PROGRAM_DIR}/filecopy.avi"
          "${CMAKE_SOURCE_DIR}/src/app/errors.html" "${QUERNEL_WINDOWS_PROGRAM_DIR}"
  COMMENT "Completing the Windows program folder"
  VERBATIM)
add_dependencies(windows_program_folder setup_windows filecopy_avi)

# The archives handed out to authors (make dist): both program folders, each as one folder
# "Quernel <version>" with a short readme. QUERNEL_DIST_DIR is where they go.
set(QUERNEL_DIST_DIR "${CMAKE_SOURCE_DIR}/dist" CACHE PATH "Where make dist writes the program archives")
set(QUERNEL_MAKE_DIST_ARGS
  -DVERSION=${QUERNEL_VERSION} -DLINUX_DIR=${QUERNEL_PROGRAM_DIR}
  -DWINDOWS_DIR=${QUERNEL_WINDOWS_PROGRAM_DIR} -DSTRIP=${CMAKE_STRIP})
set(QUERNEL_MAKE_DIST_SCRIPT "${CMAKE_SOURCE_DIR}/packaging/MakeDist.cmake")
add_custom_target(dist
  COMMAND "${CMAKE_COMMAND}" ${QUERNEL_MAKE_DIST_ARGS} -DOUT=${QUERNEL_DIST_DIR} -P ${QUERNEL_MAKE_DIST_SCRIPT}
  COMMENT "Writing the program archives"
  VERBATIM)
add_dependencies(dist arVemko setup_linux windows_program_folder)
