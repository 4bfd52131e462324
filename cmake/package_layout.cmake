# Read by cpack once for each package it builds: the components each holds.
# Archives unpack into a folder of their own name.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL program debian)
else()
  set(CPACK_COMPONENTS_ALL program doc)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
