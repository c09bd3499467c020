# Source lists of the units, shared by every host build. Each folder's .cpp
# files belong to one binary (see DESIGN.md's table of binaries).
file(GLOB LABRIX_CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/optimizer/*.cpp
  ${PROJECT_SOURCE_DIR}/cutengine/*.cpp)
file(GLOB LABRIX_GATEWAY_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/gateway/*.cpp)
file(GLOB LABRIX_CREATOR_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/creator/*.cpp)
file(GLOB LABRIX_COLSHIFT_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/colshift/*.cpp)
file(GLOB LABRIX_TOOLBOX_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/toolbox/*.m)
