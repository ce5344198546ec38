# Configures and builds the clang project of the fuzz targets; one job, the machine is shared.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SRC} -B ${BIN} -G ${GEN} -DCMAKE_CXX_COMPILER=${CXX}
                        -DCMAKE_BUILD_TYPE=RelWithDebInfo
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzz: configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BIN} -j1 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzz: build failed")
endif()
