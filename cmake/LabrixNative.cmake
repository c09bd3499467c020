# The native build on the test host. Each module is a static library whose
# entry is renamed (labrixgate_mexFunction, ...) so that one test program can
# call all of them, as a host calls the loaded modules.
add_library(testhost STATIC ${PROJECT_SOURCE_DIR}/testhost/mex_host.cpp)
target_include_directories(testhost PUBLIC ${PROJECT_SOURCE_DIR}/testhost ${PROJECT_SOURCE_DIR})

add_library(labrix_core_native STATIC ${LABRIX_CORE_SOURCES})
target_link_libraries(labrix_core_native PUBLIC testhost)
target_compile_definitions(labrix_core_native PUBLIC LABRIX_TESTHOST=1)

function(labrix_native_module name)
  add_library(${name}_native STATIC ${ARGN})
  target_link_libraries(${name}_native PUBLIC labrix_core_native)
  target_compile_definitions(${name}_native PRIVATE mexFunction=${name}_mexFunction)
endfunction()

if(LABRIX_GATEWAY_SOURCES)
  labrix_native_module(labrixgate ${LABRIX_GATEWAY_SOURCES})
endif()
if(LABRIX_CREATOR_SOURCES)
  labrix_native_module(labrixnew ${LABRIX_CREATOR_SOURCES})
endif()
if(LABRIX_COLSHIFT_SOURCES)
  # colshift shares nothing with the optimizer: it links the host only.
  add_library(colshift_native STATIC ${LABRIX_COLSHIFT_SOURCES})
  target_link_libraries(colshift_native PUBLIC testhost)
  # mexVersion is renamed too, so that another module's version entry can
  # link into the same test program.
  target_compile_definitions(colshift_native PRIVATE
    mexFunction=colshift_mexFunction mexVersion=colshift_mexVersion)
endif()

if(LABRIX_TESTS)
  enable_testing()
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/native ${PROJECT_BINARY_DIR}/tests/native)
  # The soak test is a program of its own, outside the default suite.
  add_executable(soak ${PROJECT_SOURCE_DIR}/tests/soak/soak.cpp)
  target_link_libraries(soak PRIVATE labrixgate_native labrixnew_native labrix_core_native)
endif()
if(LABRIX_FUZZ)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/fuzz ${PROJECT_BINARY_DIR}/tests/fuzz)
endif()
if(LABRIX_BENCH)
  add_subdirectory(${PROJECT_SOURCE_DIR}/bench ${PROJECT_BINARY_DIR}/bench)
endif()
