# Fills one fuzz target's seed corpus with the demo game's files of its kind; run by the build
# after the data tree is generated.
#   DATA_DIR  the generated data tree
#   SEED_DIR  the target's seed directory, made anew
#   GLOBS     globs under DATA_DIR, separated by commas
#   TINDLE    when set, the scrambler: the seeds are the plain copies of the scrambled files
file(REMOVE_RECURSE "${SEED_DIR}")
file(MAKE_DIRECTORY "${SEED_DIR}")
set(work "${SEED_DIR}.tindle")
string(REPLACE "," ";" globs "${GLOBS}")
foreach(glob IN LISTS globs)
  file(GLOB files LIST_DIRECTORIES false "${DATA_DIR}/${glob}")
  foreach(file IN LISTS files)
    file(RELATIVE_PATH name "${DATA_DIR}" "${file}")
    string(REPLACE "/" "_" name "${name}")
    if(TINDLE)
      # Tindle turns "in" of its current directory into "ot"; the transform is its own inverse.
      file(REMOVE_RECURSE "${work}")
      file(MAKE_DIRECTORY "${work}")
      file(COPY_FILE "${file}" "${work}/in")
      execute_process(COMMAND "${TINDLE}" WORKING_DIRECTORY "${work}" OUTPUT_QUIET RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "Tindle could not unscramble ${file}")
      endif()
      file(RENAME "${work}/ot" "${SEED_DIR}/${name}")
    else()
      file(COPY_FILE "${file}" "${SEED_DIR}/${name}")
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE "${work}")
