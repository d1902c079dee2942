# cmake -DSOURCE=<file> -DTARGET=<file> -P CopyIfMissing.cmake
# Puts the default keyword list beside the built program only when none is there: the list is
# the user's to edit (the external editor opens it), so a rebuild never replaces it.
if(NOT EXISTS "${TARGET}")
    file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
