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
