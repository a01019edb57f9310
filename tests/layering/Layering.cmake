# Checks the layering of the sources (run by ctest as "layering"):
# - outside controller/ and kq_api/ no file calls a motion, mode, stop,
#   halt or coordinate function of the controller library: every move goes
#   through controller/AxisCommands;
# - no file of config/ includes controller/;
# - nothing in controller/ includes a form.
# Usage: cmake -DSOURCE_DIR=<tree> -P Layering.cmake
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(faults "")

function(scan folders regex what)
  foreach(folder ${folders})
    file(GLOB_RECURSE files "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
    foreach(file ${files})
      file(STRINGS "${file}" hits REGEX "${regex}")
      foreach(hit ${hits})
        file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
        string(STRIP "${hit}" hit)
        string(APPEND faults "${name}: ${what}: ${hit}\n")
      endforeach()
    endforeach()
  endforeach()
  set(faults "${faults}" PARENT_SCOPE)
endfunction()

set(program_folders common config axis program app cli)
set(motion_call "KQ_Set_Axis_(Mode_|Position_|Velocity_|Home_|Software_P|Halt)[A-Za-z_]*[ \t]*\\(")
set(stop_call "KQ_Set_Axis_[A-Za-z_]*Stop[ \t]*\\(")
scan("${program_folders}" "${motion_call}" "motion call outside controller/")
scan("${program_folders}" "${stop_call}" "stop call outside controller/")
scan("config" "#[ \t]*include[ \t]*[\"<]controller/" "config/ includes controller/")
scan("controller" "#[ \t]*include[ \t]*[\"<]([a-z_]+/)?(ui|axis|app)/" "controller/ includes a form")
scan("controller" "#[ \t]*include[ \t]*<Qt(Widgets|Gui)|#[ \t]*include[ \t]*<Q(Widget|Dialog|MainWindow)>" "controller/ includes a form")

if(faults)
  message(FATAL_ERROR "Layering faults:\n${faults}")
endif()
message(STATUS "layering: clean")
