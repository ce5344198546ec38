# Text inside the system is Windows-1252: sources are UTF-8, and g++ turns their narrow
# literals into Windows-1252 bytes. Only app/ and cli/, which talk UTF-8, go without it.
set(TUIM_CP1252_FLAGS "")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(TUIM_CP1252_FLAGS -finput-charset=UTF-8 -fexec-charset=CP1252)
endif()

# tuim_layer(NAME deps...): a static library of every .cpp in the current folder.
function(tuim_layer name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB _hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(tuim_${name} STATIC ${_srcs} ${_hdrs})
  target_include_directories(tuim_${name} PUBLIC $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}>
                                                $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tuim>)
  target_compile_options(tuim_${name} PRIVATE ${TUIM_CP1252_FLAGS})
  target_link_libraries(tuim_${name} PUBLIC ${ARGN})
endfunction()
