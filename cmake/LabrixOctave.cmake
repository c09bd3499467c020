# The Octave build: flags come from mkoctfile, so the modules are built the
# way Octave builds its own .mex files. Everything lands in build/mex/.
find_program(MKOCTFILE mkoctfile)
if(NOT MKOCTFILE)
  message(WARNING "mkoctfile not found: the Octave modules are not built (install liboctave-dev)")
  return()
endif()

function(labrix_mkoctfile_query var key)
  execute_process(COMMAND ${MKOCTFILE} -p ${key} OUTPUT_VARIABLE out OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(out UNIX_COMMAND "${out}")
  set(${var} ${out} PARENT_SCOPE)
endfunction()

labrix_mkoctfile_query(OCT_INCFLAGS INCFLAGS)
labrix_mkoctfile_query(OCT_LIBS OCTAVE_LIBS)
labrix_mkoctfile_query(OCT_LIBDIR OCTLIBDIR)
labrix_mkoctfile_query(OCT_LDFLAGS LDFLAGS)

set(LABRIX_MEX_DIR ${PROJECT_BINARY_DIR}/mex)

function(labrix_octave_target target)
  target_compile_options(${target} PRIVATE ${OCT_INCFLAGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_directories(${target} PRIVATE ${OCT_LIBDIR})
  target_link_options(${target} PRIVATE ${OCT_LDFLAGS})
  target_link_libraries(${target} PRIVATE ${OCT_LIBS})
  set_target_properties(${target} PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${LABRIX_MEX_DIR}
    BUILD_RPATH "\$ORIGIN" INSTALL_RPATH "\$ORIGIN"
    CXX_VISIBILITY_PRESET default)
endfunction()

add_library(labrix SHARED ${LABRIX_CORE_SOURCES})
labrix_octave_target(labrix)

function(labrix_octave_module name)
  add_library(${name} MODULE ${ARGN})
  labrix_octave_target(${name})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".mex")
endfunction()

if(LABRIX_GATEWAY_SOURCES)
  labrix_octave_module(labrixgate ${LABRIX_GATEWAY_SOURCES})
  target_link_libraries(labrixgate PRIVATE labrix)
endif()
if(LABRIX_CREATOR_SOURCES)
  labrix_octave_module(labrixnew ${LABRIX_CREATOR_SOURCES})
  target_link_libraries(labrixnew PRIVATE labrix)
endif()
if(LABRIX_COLSHIFT_SOURCES)
  labrix_octave_module(colshift ${LABRIX_COLSHIFT_SOURCES})
endif()

# The toolbox's help and class files sit beside the modules, so that one
# addpath makes everything callable.
add_custom_target(labrix_toolbox ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LABRIX_MEX_DIR}
  COMMAND ${CMAKE_COMMAND} -DSRC=${PROJECT_SOURCE_DIR}/toolbox -DDST=${LABRIX_MEX_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/CopyToolbox.cmake
  COMMENT "Copying the toolbox files into ${LABRIX_MEX_DIR}")
