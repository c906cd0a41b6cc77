# Fails when a folder includes from a layer above it. The layers, lowest first:
# the built-in data; the platform's file layer (files, mapped files, code page
# numbers, signals held back, worker threads) and core (messages, the program folder); the engine; the settings;
# the per-file core; the windows and the entry. The desktop half of the
# platform layer stands beside them and converts nothing itself.
#
#   cmake -DSOURCE_DIR=<tree> -P cmake/CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR not set")
endif()

set(file_layer "platform/(Files|Interrupts|MappedFile|CodePage|Threads)\\.h")
set(platform_core "platform/(Files|Interrupts|MappedFile|CodePage|Threads|ProgramDir|Message)\\.h")

# Folder (or single files) -> what their quoted includes may name.
# common/ holds text helpers every layer may use.
set(allowed_common "common/")
set(allowed_data "common/|data/")
set(allowed_engine "common/|data/|engine/|${file_layer}")
set(allowed_settings "common/|settings/|${platform_core}")
set(allowed_core "common/|core/|engine/|settings/|data/|${platform_core}")
set(allowed_platform_core "common/|${platform_core}")
set(allowed_platform_desktop "common/|platform/")
set(allowed_mainwin "common/|mainwin/|core/|engine/|settings/|platform/|data/")
set(allowed_windows "common/|mainwin/|tools/|filewin/|core/|engine/|settings/|platform/|data/")

set(platform_core_files Files Interrupts MappedFile CodePage Threads ProgramDir Message)

set(violations "")
function(check_file file allowed)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${file}")
  get_filename_component(own_dir "${relative}" DIRECTORY)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
    # An include without a folder names a file beside the includer (moc output).
    if(NOT included MATCHES "/")
      continue()
    endif()
    if(NOT included MATCHES "^(${allowed})")
      set(violations "${violations}\n  ${relative} includes ${included}" PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

function(check_folder folder allowed)
  file(GLOB files "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(file IN LISTS files)
    check_file("${file}" "${allowed}")
  endforeach()
  set(violations "${violations}" PARENT_SCOPE)
endfunction()

check_folder(common "${allowed_common}")
check_folder(data "${allowed_data}")
check_folder(engine "${allowed_engine}")
check_folder(settings "${allowed_settings}")
check_folder(core "${allowed_core}")
check_folder(mainwin "${allowed_mainwin}")
check_folder(tools "${allowed_windows}")
check_folder(filewin "${allowed_windows}")

file(GLOB platform_files "${SOURCE_DIR}/platform/*.h" "${SOURCE_DIR}/platform/*.cpp")
foreach(file IN LISTS platform_files)
  get_filename_component(name "${file}" NAME_WE)
  if(name IN_LIST platform_core_files)
    check_file("${file}" "${allowed_platform_core}")
  else()
    check_file("${file}" "${allowed_platform_desktop}")
  endif()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes from a layer above:${violations}")
endif()
message(STATUS "Layers point one way")
