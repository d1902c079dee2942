# Packs this build afresh, so the package tests never look at a package of older sources.
file(REMOVE_RECURSE ${PACKAGE_DIR})
execute_process(COMMAND ${CPACK} -G DEB -B ${PACKAGE_DIR} --config ${CPACK_CONFIG}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cpack failed (${rc}):\n${out}")
endif()
