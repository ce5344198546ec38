# Runs one libFuzzer target for SECONDS over the seeds; new inputs go to the build tree only.
file(MAKE_DIRECTORY ${CORPUS} ${ARTIFACTS})
set(_dirs ${CORPUS})
if(EXISTS ${SEEDS})
  list(APPEND _dirs ${SEEDS})
endif()
execute_process(COMMAND ${EXE} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                        -artifact_prefix=${ARTIFACTS} ${_dirs}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzz: ${EXE} found a failure (exit ${rc}); the input is in ${ARTIFACTS}")
endif()
