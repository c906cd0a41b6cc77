# Regenerates the default correction tables into a scratch folder and compares
# them byte for byte with the committed data/b5fix.dat and data/gbfix.dat.
# Needs python3 and OpenCC (its converter and data); without them the test
# reports itself skipped.
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> -P CheckFixTables.cmake
find_program(PYTHON3 python3)
find_program(OPENCC opencc)
find_program(OPENCC_DICT opencc_dict)
if(NOT PYTHON3 OR NOT OPENCC OR NOT OPENCC_DICT OR NOT EXISTS /usr/share/opencc/STPhrases.ocd2)
  message("SKIPPED: python3, opencc, opencc_dict or OpenCC's data (Debian: opencc, libopencc-data) is missing")
  cmake_language(EXIT 77)
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
execute_process(
  COMMAND "${PYTHON3}" "${SOURCE_DIR}/scripts/gen_fix_tables.py" --out "${WORK_DIR}" --quiet
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scripts/gen_fix_tables.py failed: ${result}")
endif()
foreach(name b5fix.dat gbfix.dat)
  file(SHA256 "${WORK_DIR}/${name}" fresh)
  file(SHA256 "${SOURCE_DIR}/data/${name}" committed)
  if(NOT fresh STREQUAL committed)
    message(FATAL_ERROR "data/${name} differs from what scripts/gen_fix_tables.py writes now")
  endif()
endforeach()
message("data/b5fix.dat and data/gbfix.dat match the generator's output")
