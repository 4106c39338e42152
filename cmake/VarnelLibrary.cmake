# varnel_library(NAME SOURCES patterns... [EXCLUDE regex] [LINK libs...])
# Builds one static library from the matching sources of the calling folder.
#
# Headers are included by their path below src/ ("socket/wsocket.h"), but no
# library sees the whole of src/: each gets an include root of its own in the
# build tree that holds only its own folder (a symbolic link). A library sees
# the roots of the libraries it links, so an include against the layer order
# fails to compile instead of surfacing only at link time.
function(varnel_library name)
  cmake_parse_arguments(ARG "" "EXCLUDE" "SOURCES;LINK" ${ARGN})
  set(sources)
  foreach(pattern IN LISTS ARG_SOURCES)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${pattern})
    list(APPEND sources ${found})
  endforeach()
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()

  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)

  if(NOT sources)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()
