# The MATLAB build through CMake's FindMatlab. It cannot be tested here (no
# MATLAB on our machines); it mirrors the Octave build: one shared liblabrix
# and the modules beside it with rpath $ORIGIN.
find_package(Matlab REQUIRED COMPONENTS MX_LIBRARY MEX_COMPILER)
set(LABRIX_MEX_DIR ${PROJECT_BINARY_DIR}/mex)
add_library(labrix_matlab SHARED ${LABRIX_CORE_SOURCES})
target_include_directories(labrix_matlab PRIVATE ${Matlab_INCLUDE_DIRS} ${PROJECT_SOURCE_DIR})
target_link_libraries(labrix_matlab PRIVATE ${Matlab_MEX_LIBRARY} ${Matlab_MX_LIBRARY})
set_target_properties(labrix_matlab PROPERTIES OUTPUT_NAME labrix LIBRARY_OUTPUT_DIRECTORY ${LABRIX_MEX_DIR})
matlab_add_mex(NAME labrixgate_matlab SRC ${LABRIX_GATEWAY_SOURCES} OUTPUT_NAME labrixgate LINK_TO labrix_matlab)
matlab_add_mex(NAME labrixnew_matlab SRC ${LABRIX_CREATOR_SOURCES} OUTPUT_NAME labrixnew LINK_TO labrix_matlab)
matlab_add_mex(NAME colshift_matlab SRC ${LABRIX_COLSHIFT_SOURCES} OUTPUT_NAME colshift)
foreach(t labrixgate_matlab labrixnew_matlab colshift_matlab)
  target_include_directories(${t} PRIVATE ${PROJECT_SOURCE_DIR})
  set_target_properties(${t} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${LABRIX_MEX_DIR}
    BUILD_RPATH "\$ORIGIN" INSTALL_RPATH "\$ORIGIN")
endforeach()

# The toolbox's help, class and demo files beside the modules, as in the
# Octave build: a help-only .m file in another folder would shadow its module.
add_custom_target(labrix_toolbox_matlab ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LABRIX_MEX_DIR}
  COMMAND ${CMAKE_COMMAND} -DSRC=${PROJECT_SOURCE_DIR}/toolbox -DDST=${LABRIX_MEX_DIR}
          -P ${PROJECT_SOURCE_DIR}/cmake/CopyToolbox.cmake
  COMMENT "Copying the toolbox files into ${LABRIX_MEX_DIR}")
