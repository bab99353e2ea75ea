# The layers the build keeps: a core library (zentrik_common, zentrik_link
# and every zentrik_*_core) links no widgets, directly or through anything
# it links, and only the cores that draw pictures link Qt Gui.
#
# zentrik_check_core_layers() runs once every target exists, at the end of
# the top-level CMakeLists.txt, and stops configuring at the first core that
# reaches a library it must not, naming the way it gets there.
#
# zentrik_check_web_module() runs after it: the web engine comes with the
# web module (web/, loaded at run time, see common/webmodule.h) and nothing
# else. No library of ours and not the program links the module or reaches
# the web engine.

set(ZENTRIK_CORE_LIBRARIES
  zentrik_common zentrik_link zentrik_capture_core zentrik_uart_core zentrik_car_core
  zentrik_scope_core zentrik_gsm_core zentrik_gps_core zentrik_console_core zentrik_online_core)
# QImage: camera pictures, CCD drawings and the map's pictures.
set(ZENTRIK_CORES_WITH_GUI zentrik_car_core zentrik_gps_core)
set(ZENTRIK_WEB_MODULE zentrik_web)
set(ZENTRIK_WEB_ENGINE Qt5::WebEngineWidgets Qt5::WebEngineCore Qt5::WebEngine Qt5::Quick)

# Every target defined in `dir` and below it, into `out`.
function(_zentrik_targets_below dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    _zentrik_targets_below("${subdir}" below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# What `target` links, as target names where the entries name targets: the
# private part of a static library's interface ($<LINK_ONLY:…>) counts, and
# so does what a condition ($<$<CONFIG:…>:…>) would link.
function(_zentrik_linked_targets target out)
  get_target_property(type ${target} TYPE)
  set(entries)
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(direct ${target} LINK_LIBRARIES)
    if(direct)
      list(APPEND entries ${direct})
    endif()
  endif()
  get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
  if(interface)
    list(APPEND entries ${interface})
  endif()
  set(linked)
  foreach(entry IN LISTS entries)
    while(entry MATCHES "^\\$<(.*)>$")
      set(inner "${CMAKE_MATCH_1}")
      if(inner MATCHES "^\\$<[^>]*>:(.*)$")
        set(entry "${CMAKE_MATCH_1}")
      elseif(inner MATCHES "^[A-Z_]+:(.*)$")
        set(entry "${CMAKE_MATCH_1}")
      else()
        break()
      endif()
    endwhile()
    if(TARGET "${entry}")
      get_target_property(aliased "${entry}" ALIASED_TARGET)
      if(aliased)
        set(entry ${aliased})
      endif()
      list(APPEND linked ${entry})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES linked)
  set(${out} ${linked} PARENT_SCOPE)
endfunction()

# Depth first from `target` (reached by `chain`); `out` becomes the chain
# to the first of `forbidden` it reaches, or empty. Targets seen are kept
# in a global property, so each is walked once per check.
function(_zentrik_find_forbidden target chain forbidden out)
  set(${out} "" PARENT_SCOPE)
  get_property(seen GLOBAL PROPERTY _ZENTRIK_LAYERS_SEEN)
  if(target IN_LIST seen)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY _ZENTRIK_LAYERS_SEEN ${target})
  _zentrik_linked_targets(${target} linked)
  foreach(next IN LISTS linked)
    if(next IN_LIST forbidden)
      set(${out} "${chain} -> ${next}" PARENT_SCOPE)
      return()
    endif()
    _zentrik_find_forbidden(${next} "${chain} -> ${next}" "${forbidden}" found)
    if(found)
      set(${out} "${found}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

function(zentrik_check_core_layers)
  _zentrik_targets_below("${CMAKE_SOURCE_DIR}" targets)
  set(cores ${ZENTRIK_CORE_LIBRARIES})
  foreach(target IN LISTS targets)
    if(target MATCHES "^zentrik_.*_core$")
      list(APPEND cores ${target})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES cores)
  string(REPLACE ";" " and " withGui "${ZENTRIK_CORES_WITH_GUI}")
  foreach(core IN LISTS cores)
    if(NOT TARGET ${core})
      message(FATAL_ERROR "Core library ${core} is listed in cmake/Layers.cmake but not built.")
    endif()
    set(forbidden Qt5::Widgets)
    if(NOT core IN_LIST ZENTRIK_CORES_WITH_GUI)
      list(APPEND forbidden Qt5::Gui)
    endif()
    set_property(GLOBAL PROPERTY _ZENTRIK_LAYERS_SEEN "")
    _zentrik_find_forbidden(${core} ${core} "${forbidden}" chain)
    if(chain)
      message(FATAL_ERROR
        "Core library ${core} links a library it must not:\n"
        "  ${chain}\n"
        "Cores link no widgets, and only ${withGui} link Qt Gui; move what needs it "
        "into the folder's widget library.")
    endif()
  endforeach()
endfunction()

function(zentrik_check_web_module)
  _zentrik_targets_below("${CMAKE_SOURCE_DIR}" targets)
  set(forbidden ${ZENTRIK_WEB_MODULE} ${ZENTRIK_WEB_ENGINE})
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(target STREQUAL ZENTRIK_WEB_MODULE
       OR NOT (target MATCHES "^zentrik_" AND type MATCHES "_LIBRARY$"
               OR target STREQUAL "zentrik-assistant"))
      continue()
    endif()
    set_property(GLOBAL PROPERTY _ZENTRIK_LAYERS_SEEN "")
    _zentrik_find_forbidden(${target} ${target} "${forbidden}" chain)
    if(chain)
      message(FATAL_ERROR
        "${target} links the web module or the web engine:\n"
        "  ${chain}\n"
        "The web engine is loaded with the web module only (common/webmodule.h); "
        "web views belong in web/.")
    endif()
  endforeach()
endfunction()
