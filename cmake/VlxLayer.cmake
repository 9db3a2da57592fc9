# vlx_add_layer(<target> [QT] [DEPS deps...] [PRIVATE_DEPS deps...] [EXCLUDE files...])
# One static library per source directory, from every .cpp in it except the
# files listed after EXCLUDE. DEPS are linked PUBLIC (the layer's headers use
# them), PRIVATE_DEPS only by its sources; QT turns on AUTOMOC. A directory
# with no sources, or a dependency named vlx_* that is not yet a target, stops
# the configuration: a layer is never dropped without a word.
function(vlx_add_layer target)
  cmake_parse_arguments(ARG "QT" "" "DEPS;PRIVATE_DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(x IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${x})
  endforeach()
  if(NOT sources)
    message(FATAL_ERROR "${target}: no sources in ${CMAKE_CURRENT_SOURCE_DIR}")
  endif()
  vlx_require_targets(${target} ${ARG_DEPS} ${ARG_PRIVATE_DEPS})
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
  if(ARG_QT)
    set_target_properties(${target} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# vlx_require_targets(<user> deps...): a configure error for every dependency
# that names a target (vlx_*, or Namespace::Target) not defined at this point,
# since CMake would otherwise take it for a plain library name and fail late, or
# not at all.
function(vlx_require_targets user)
  foreach(dep IN LISTS ARGN)
    if((dep MATCHES "^vlx_" OR dep MATCHES "::") AND NOT TARGET ${dep})
      message(FATAL_ERROR "${user} needs ${dep}, which is not a target (yet)")
    endif()
  endforeach()
endfunction()
