# Regenerates the built-in data into a scratch folder and compares it byte for
# byte with the committed files. Needs python3 and OpenCC's data; without them
# the test reports itself skipped.
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> -P CheckGeneratedData.cmake
find_program(PYTHON3 python3)
find_program(OPENCC_DICT opencc_dict)
if(NOT PYTHON3 OR NOT OPENCC_DICT OR NOT EXISTS /usr/share/opencc/STCharacters.ocd2)
  message("SKIPPED: python3, opencc_dict or OpenCC's data (Debian: opencc, libopencc-data) is missing")
  cmake_language(EXIT 77)
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${PYTHON3}" "${SOURCE_DIR}/scripts/gen_data.py" --out "${WORK_DIR}" --quiet
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scripts/gen_data.py failed: ${result}")
endif()
foreach(name strtbl cp936.tbl cp950.tbl testtbl1 testtbl2)
  file(SHA256 "${WORK_DIR}/${name}" fresh)
  file(SHA256 "${SOURCE_DIR}/data/${name}" committed)
  if(NOT fresh STREQUAL committed)
    message(FATAL_ERROR "data/${name} differs from what scripts/gen_data.py writes now")
  endif()
endforeach()
message("data/ matches the generator's output")
