# Runs a data generator into a scratch folder and compares what it writes byte
# for byte with the committed files under data/. Needs python3, the programs
# and the OpenCC data file named; without them it says it skipped.
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> -DGENERATOR=<script>
#         "-DPROGRAMS=<program;...>" -DNEEDS=<file> "-DFILES=<name;...>"
#         -P CheckGenerator.cmake
find_program(PYTHON3 python3)
set(missing "")
if(NOT PYTHON3)
  list(APPEND missing python3)
endif()
foreach(program IN LISTS PROGRAMS)
  find_program(found_${program} ${program})
  if(NOT found_${program})
    list(APPEND missing ${program})
  endif()
endforeach()
if(NOT EXISTS "${NEEDS}")
  list(APPEND missing "${NEEDS}")
endif()
if(missing)
  list(JOIN missing ", " missing)
  # The test's SKIP_REGULAR_EXPRESSION looks for this line.
  message("SKIPPED: missing ${missing} (Debian: python3, opencc, libopencc-data)")
  return()
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${PYTHON3}" "${SOURCE_DIR}/scripts/${GENERATOR}" --out "${WORK_DIR}" --quiet
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scripts/${GENERATOR} failed: ${result}")
endif()
foreach(name IN LISTS FILES)
  file(SHA256 "${WORK_DIR}/${name}" fresh)
  file(SHA256 "${SOURCE_DIR}/data/${name}" committed)
  if(NOT fresh STREQUAL committed)
    message(FATAL_ERROR "data/${name} differs from what scripts/${GENERATOR} writes now")
  endif()
endforeach()
message("data/ matches what scripts/${GENERATOR} writes")
