# python/control_ids.py in the build folder: the control ids for the
# Python scripts that drive the windows (tools/ids.py), made anew from the
# id headers whenever one changes. The programs depend on it, so building
# either one brings the ids up to date.
if(NOT TARGET quillon AND NOT TARGET veltra)
  return()
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(control_ids_py ${CMAKE_BINARY_DIR}/python/control_ids.py)
add_custom_command(
  OUTPUT ${control_ids_py}
  COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/gen-control-ids.py ${control_ids_py}
          Quillon=${CMAKE_SOURCE_DIR}/quillon/QuillonIds.h
          Veltra=${CMAKE_SOURCE_DIR}/veltra/app/VeltraIds.h
  DEPENDS ${CMAKE_SOURCE_DIR}/tools/gen-control-ids.py
          ${CMAKE_SOURCE_DIR}/quillon/QuillonIds.h
          ${CMAKE_SOURCE_DIR}/veltra/app/VeltraIds.h
  COMMENT "Control ids for the Python scripts"
  VERBATIM)
add_custom_target(control_ids ALL DEPENDS ${control_ids_py})
foreach(program quillon veltra)
  if(TARGET ${program})
    add_dependencies(${program} control_ids)
  endif()
endforeach()
