# Each folder of src/ is one static library, orvella_NAME, made by
#
#   orvella_add_module(NAME QT <Qt modules> DEPS <folders> SOURCES <files>
#                      [PROGRAM <executable> <files>])
#
# QT names the Qt modules its code uses beyond Core, DEPS the folders it may
# include: exactly its row of the folder table in ARCHITECTURE.md, which
# scripts/check_layers.py reads together with these calls (it fails where the
# two differ, and holds every include to the Qt modules a target links).
# PROGRAM builds an executable of the folder on its library, beside the
# others in the build tree's src/.
set(ORVELLA_WARNINGS -Wall -Wextra -Werror)

function(orvella_add_module name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "QT;DEPS;SOURCES;PROGRAM")
  set(lib orvella_${name})
  add_library(${lib} STATIC ${arg_SOURCES})
  target_include_directories(${lib} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  list(TRANSFORM arg_QT PREPEND Qt6:: OUTPUT_VARIABLE qt)
  list(TRANSFORM arg_DEPS PREPEND orvella_ OUTPUT_VARIABLE deps)
  target_link_libraries(${lib} PUBLIC Qt6::Core ${qt} ${deps})
  set(targets ${lib})
  if(arg_PROGRAM)
    list(POP_FRONT arg_PROGRAM program)
    add_executable(${program} ${arg_PROGRAM})
    target_link_libraries(${program} PRIVATE ${lib})
    set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/src)
    list(APPEND targets ${program})
  endif()
  foreach(target ${targets})
    target_compile_options(${target} PRIVATE ${ORVELLA_WARNINGS})
    # No text turns into bytes or back unseen: each crossing names its encoding.
    target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
  endforeach()
endfunction()
