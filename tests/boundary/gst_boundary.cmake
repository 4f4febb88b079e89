# Only src/engine includes GStreamer (or GLib). Run by ctest as
#   cmake -DSOURCE_DIR=<src> -DCOMPILER=<c++> -DINCLUDES=<dir|dir|...> -P gst_boundary.cmake
# where INCLUDES are Qt's include folders and not GStreamer's.
#
# Every engine header is compiled alone without GStreamer's include path:
# the ones that compile are the engine's GStreamer-free face. Every file
# outside src/engine may include only those, and no GStreamer or GLib header
# of its own. Nothing in src/ takes or drops a GstObject reference by hand
# outside the handle types of engine/gsthandle.h.

cmake_minimum_required(VERSION 3.25)

foreach(var SOURCE_DIR COMPILER INCLUDES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "gst_boundary.cmake: ${var} not given")
  endif()
endforeach()

string(REPLACE "|" ";" include_dirs "${INCLUDES}")
# The compiler's own folders stay where it looks for them.
list(REMOVE_ITEM include_dirs /usr/include /usr/local/include)
set(flags -std=c++20 -fPIC -fsyntax-only -x c++ "-I${SOURCE_DIR}")
foreach(dir IN LISTS include_dirs)
  list(APPEND flags "-isystem" "${dir}")
endforeach()

file(GLOB engine_headers RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/engine/*.h")
set(gst_free)
set(gst_bound)
foreach(header IN LISTS engine_headers)
  execute_process(COMMAND "${COMPILER}" ${flags} "${SOURCE_DIR}/${header}"
    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
  if(failed)
    list(APPEND gst_bound "${header}")
  else()
    list(APPEND gst_free "${header}")
  endif()
endforeach()
message(STATUS "engine headers without GStreamer: ${gst_free}")
message(STATUS "engine headers with GStreamer: ${gst_bound}")

set(problems)
# The engine's public face must stay free of GStreamer.
foreach(header engine/interfaces.h engine/engine.h engine/soundoutput.h)
  if(NOT header IN_LIST gst_free)
    list(APPEND problems "${header} does not compile without GStreamer's headers")
  endif()
endforeach()

file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(file IN LISTS files)
  file(STRINGS "${SOURCE_DIR}/${file}" lines REGEX "^[ \t]*#[ \t]*include|gst_object_(ref|unref|ref_sink)[ \t]*\\(")
  foreach(line IN LISTS lines)
    if(line MATCHES "gst_object_(ref|unref|ref_sink)[ \t]*\\(" AND NOT file STREQUAL "engine/gsthandle.h")
      list(APPEND problems "${file}: a bare reference count outside the handles: ${line}")
    endif()
    if(file MATCHES "^engine/")
      continue()
    endif()
    if(line MATCHES "#[ \t]*include[ \t]*<(gst/|glib|gio/|gobject/)")
      list(APPEND problems "${file}: ${line}")
    elseif(line MATCHES "#[ \t]*include[ \t]*\"(engine/[^\"]+)\"")
      if(NOT CMAKE_MATCH_1 IN_LIST gst_free)
        list(APPEND problems "${file}: ${line} (pulls in GStreamer)")
      endif()
    endif()
  endforeach()
endforeach()

if(problems)
  list(LENGTH problems count)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "GStreamer outside src/engine (${count}):\n  ${text}")
endif()
message(STATUS "GStreamer stays inside src/engine")
