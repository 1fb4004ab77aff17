# Installs the build into a fresh prefix and checks that everything a desktop
# user needs landed in its usual place.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
  message(FATAL_ERROR "cmake --install failed: ${failed}")
endif()

set(share "${PREFIX}/share")
foreach(f bin/orvella bin/orvella-room share/orvella/macros/starter.txt
          share/icons/hicolor/scalable/apps/orvella.svg share/applications/orvella.desktop
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

# The entry must start the installed program in the installed word lists.
file(READ "${share}/applications/orvella.desktop" entry)
foreach(line "Exec=\"${PREFIX}/bin/orvella\"" "Path=${share}/orvella/words" "Icon=orvella")
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
