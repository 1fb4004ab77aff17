# Installs the build into a fresh prefix and checks that everything a desktop
# user needs landed in its usual place, stripped; then installs it as
# scripts/run.sh leaves it, with its programs and their manual pages.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_test.cmake
function(install_into prefix)
  file(REMOVE_RECURSE "${prefix}")
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
                  RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE said)
  set(install_failed "${failed}" PARENT_SCOPE)
  set(install_said "${said}" PARENT_SCOPE)
endfunction()

install_into("${PREFIX}")
if(install_failed)
  message(FATAL_ERROR "cmake --install failed: ${install_failed} ${install_said}")
endif()

set(share "${PREFIX}/share")
foreach(f bin/orvella bin/orvella-room bin/orvella-irc libexec/orvella/orvella-start
          libexec/orvella/first-settings
          share/orvella/macros/starter.txt
          share/icons/hicolor/scalable/apps/orvella.svg share/applications/orvella.desktop
          share/metainfo/org.example.orvella.metainfo.xml share/man/man6/orvella.6.gz
          share/man/man6/orvella-room.6.gz share/man/man6/orvella-irc.6.gz
          share/doc/orvella/guide.md share/doc/orvella/README.md)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(GLOB lists "${share}/orvella/words/*.txt")
list(LENGTH lists n)
if(n LESS 5)
  message(FATAL_ERROR "only ${n} word lists installed")
endif()
foreach(program orvella orvella-room orvella-irc)
  execute_process(COMMAND readelf -S --wide "${PREFIX}/bin/${program}" OUTPUT_VARIABLE sections)
  if(NOT sections MATCHES "\\.text" OR sections MATCHES "\\.debug_")
    message(FATAL_ERROR "bin/${program} is not a stripped program")
  endif()
endforeach()

# The entry must start the installed program's first-run step in the
# installed word lists.
file(READ "${share}/applications/orvella.desktop" entry)
foreach(line "Exec=\"${PREFIX}/libexec/orvella/orvella-start\"" "Path=${share}/orvella/words"
             "Icon=orvella")
  string(FIND "${entry}" "${line}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the desktop entry lacks ${line}:\n${entry}")
  endif()
endforeach()
execute_process(COMMAND desktop-file-validate "${share}/applications/orvella.desktop"
                RESULT_VARIABLE invalid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(invalid OR said MATCHES "error")
  message(FATAL_ERROR "desktop-file-validate: ${invalid} ${said}")
endif()

# Then as run.sh leaves the tree: its build of the targets it names, in a
# tree without the manual pages, and the other programs put aside for this
# install (the test runs alone) and back.
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../scripts/run.sh" build REGEX "cmake --build .*--target")
string(REGEX REPLACE ".*--target " "" built "${build}")
separate_arguments(built)
file(GLOB pages "${BUILD_DIR}/data/*.6.gz")
file(REMOVE ${pages})
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${BUILD_DIR}" --target ${built}
                RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(failed OR NOT built)
  message(FATAL_ERROR "run.sh's build of '${built}' failed: ${said}")
endif()
set(aside orvella orvella-room orvella-irc orvella-demo)
list(REMOVE_ITEM aside ${built})
foreach(program ${aside})
  file(RENAME "${BUILD_DIR}/src/${program}" "${BUILD_DIR}/src/${program}.aside")
endforeach()
install_into("${PREFIX}-run")
foreach(program ${aside})
  file(RENAME "${BUILD_DIR}/src/${program}.aside" "${BUILD_DIR}/src/${program}")
endforeach()
if(install_failed)
  message(FATAL_ERROR "cmake --install after run.sh's build failed: ${install_said}")
endif()
foreach(program ${built})
  if(NOT EXISTS "${PREFIX}-run/bin/${program}" OR NOT EXISTS "${PREFIX}-run/share/man/man6/${program}.6.gz")
    message(FATAL_ERROR "the install after run.sh's build lacks ${program} or its manual page")
  endif()
endforeach()
if(EXISTS "${PREFIX}-run/bin/orvella-irc")
  message(FATAL_ERROR "the install after run.sh's build installed a program it did not build")
endif()
file(REMOVE_RECURSE "${PREFIX}-run")
