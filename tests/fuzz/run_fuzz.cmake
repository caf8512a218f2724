# Runs the fuzzer a few seconds from a fresh scratch folder (where it keeps
# the inputs it finds) over the corpus of the repo, which it never changes.
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(COMMAND ${FUZZER} -max_total_time=4 -rss_limit_mb=2048
                        -artifact_prefix=${ARTIFACTS}/ ${SCRATCH} ${CORPUS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the fuzzer failed (${result}); see the crash input in ${ARTIFACTS}")
endif()
