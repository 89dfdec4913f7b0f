# Checks the include rules of the folders, ground to top:
#   host/, protocol/             the host's interface and the pendant's wire facts
#   settings/, device/           settings and the device link, side by side
#   pendant/, jog/               the logic: one layer
#   ui/                          the configuration dialog
#   record/                      the session recorder
#   plugin/                      the composition root
#   sim/                         the simulator
# A folder includes only itself and the folders its rule names; code outside a
# platform folder (win32/, linux/) includes no platform adapter, except in the
# composition roots (plugin/, sim/), and a platform folder includes no adapter
# of the other platform. Tests are not checked.
#
#   cmake -DROOT=<source tree> -P check-layers.cmake
# prints each include against the rules and fails when there is any.
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P check-layers.cmake")
endif()

set(allowed_host "")
set(allowed_protocol "")
set(allowed_settings "host")
set(allowed_device "host;protocol")
set(allowed_pendant "host;protocol;settings;jog")
set(allowed_jog "host;protocol;settings;pendant")
set(allowed_ui "host;protocol;settings")
set(allowed_record "host;protocol;settings;device")
set(allowed_plugin "host;protocol;settings;device;pendant;jog;ui;record")
set(allowed_sim "host;protocol;settings;device;pendant;jog;ui;record;plugin")
set(layers host protocol settings device pendant jog ui record plugin sim)
set(composition_roots plugin sim)
set(platforms win32 linux)

set(violations 0)
set(checked 0)
foreach(layer ${layers})
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(source ${sources})
    string(REGEX MATCH "/(win32|linux)/" own_platform "${source}")
    string(REGEX REPLACE "/" "" own_platform "${own_platform}")
    file(STRINGS ${ROOT}/${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" target "${line}")
      math(EXPR checked "${checked} + 1")
      string(REGEX MATCH "^[^/]+" target_layer "${target}")
      set(reason "")
      if(NOT target_layer STREQUAL layer)
        if(target_layer IN_LIST layers)
          if(NOT target_layer IN_LIST allowed_${layer})
            set(reason "${layer}/ may not include ${target_layer}/")
          endif()
        else()
          set(reason "${target_layer}/ is no product folder")
        endif()
      endif()
      string(REGEX MATCH "/(win32|linux)/" target_platform "${target}")
      string(REGEX REPLACE "/" "" target_platform "${target_platform}")
      if(target_platform AND NOT reason)
        if(own_platform AND NOT own_platform STREQUAL target_platform)
          set(reason "a ${own_platform} adapter may not include a ${target_platform} adapter")
        elseif(NOT own_platform AND NOT layer IN_LIST composition_roots)
          set(reason "portable code may not include a platform adapter")
        endif()
      endif()
      if(reason)
        message("${source}: includes \"${target}\": ${reason}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

message("layers: ${checked} includes checked, ${violations} against the rules")
if(violations GREATER 0)
  message(FATAL_ERROR "the include rules are broken")
endif()
