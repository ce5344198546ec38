# Text inside the system is Windows-1252: sources are UTF-8, and g++ turns their narrow
# literals into Windows-1252 bytes. Only app/ and cli/, which talk UTF-8, go without it.
set(TUIM_CP1252_FLAGS "")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(TUIM_CP1252_FLAGS -finput-charset=UTF-8 -fexec-charset=CP1252)
endif()

# tuim_layer(NAME deps...): a static library of every .cpp in the current folder.
#
# A layer sees only itself and the layers it links, directly or through them: its include root
# ${CMAKE_BINARY_DIR}/inc/NAME holds links to just those source folders, so an include of any
# other layer ("component/TuimNFe.h" from xml/) fails to build. The links are to folders, so a
# file added to a layer is seen without configuring again; a new layer says what it builds on
# by what it links.
function(tuim_layer name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(tuim_${name} STATIC ${_srcs} ${_hdrs})
  target_compile_options(tuim_${name} PRIVATE ${TUIM_CP1252_FLAGS})
  target_link_libraries(tuim_${name} PUBLIC ${ARGN})

  set(_visiveis ${name})
  foreach(_dep ${ARGN})
    if(TARGET ${_dep})
      get_target_property(_abaixo ${_dep} TUIM_CAMADAS_VISIVEIS)
      if(_abaixo)
        list(APPEND _visiveis ${_abaixo})
      endif()
    endif()
  endforeach()
  list(REMOVE_DUPLICATES _visiveis)
  set_target_properties(tuim_${name} PROPERTIES TUIM_CAMADAS_VISIVEIS "${_visiveis}")

  set(_raiz ${CMAKE_BINARY_DIR}/inc/${name})
  file(REMOVE_RECURSE ${_raiz})
  file(MAKE_DIRECTORY ${_raiz})
  foreach(_camada ${_visiveis})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${_camada} ${_raiz}/${_camada} SYMBOLIC)
  endforeach()
  target_include_directories(tuim_${name} PUBLIC $<BUILD_INTERFACE:${_raiz}>
                                                $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tuim>)
endfunction()
