# Installs the built project into a temporary prefix and builds a user's program against it,
# once through find_package(Tuim) and once through pkg-config; both must validate an NF-e
# with the installed schemas.
# Script mode: cmake -DBIN=<build> -DSRC=<this folder> -DTMP=<scratch> -DNFE=<xml> -DGEN=<generator> -P
file(REMOVE_RECURSE ${TMP})
set(_prefixo ${TMP}/prefixo)
function(executar)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "failed (${_rc}): ${ARGV}\n${_out}\n${_err}")
  endif()
  set(_saida "${_out}" PARENT_SCOPE)
endfunction()

executar(${CMAKE_COMMAND} --install ${BIN} --prefix ${_prefixo})
foreach(f bin/tuim lib/libtuim_fiscal.a include/tuim/fiscal/fscAuxiliar.h share/tuim/TuimNFeServicos.ini
          share/tuim/schemas/PL_009_V4/nfe_v4.00.xsd share/tuim/schemas/PL_010e_NT2025.002_v1.01/nfe_v4.00.xsd
          share/man/man1/tuim.1)
  if(NOT EXISTS ${_prefixo}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package
executar(${CMAKE_COMMAND} -S ${SRC}/consumidor -B ${TMP}/cmake -G ${GEN} -DCMAKE_PREFIX_PATH=${_prefixo}
         -DCMAKE_BUILD_TYPE=Release)
executar(${CMAKE_COMMAND} --build ${TMP}/cmake)
file(READ ${TMP}/cmake/schemas.txt _schemas)
executar(${TMP}/cmake/consumidor ${NFE} ${_schemas})
if(NOT _saida STREQUAL "DV=8 OK\n")
  message(FATAL_ERROR "find_package program said: ${_saida}")
endif()

# pkg-config
set(ENV{PKG_CONFIG_PATH} ${_prefixo}/lib/pkgconfig)
executar(pkg-config --cflags --libs tuim)
string(STRIP "${_saida}" _flags)
separate_arguments(_flags UNIX_COMMAND "${_flags}")
executar(pkg-config --variable=schemasdir tuim)
string(STRIP "${_saida}" _schemas_pc)
executar(c++ -std=c++20 ${SRC}/consumidor/main.cpp -o ${TMP}/consumidor-pc ${_flags})
executar(${TMP}/consumidor-pc ${NFE} ${_schemas_pc})
if(NOT _saida STREQUAL "DV=8 OK\n")
  message(FATAL_ERROR "pkg-config program said: ${_saida}")
endif()

# The installed program finds the installed schemas by itself.
executar(${_prefixo}/bin/tuim xml validar ${NFE})
file(REMOVE_RECURSE ${TMP})
message(STATUS "installed package used through find_package and pkg-config")
