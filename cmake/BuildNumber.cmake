# The build number: the last field of the programs' version. Every build that
# changes a program must carry a newer version (setup replaces the uninstaller
# in the Windows folder only with a newer one), and the same source must give
# the same bytes: so the number comes from the source, as the count of its
# commits, never from a clock or a counter of builds.
#
# A source that is a git checkout of its own counts its commits. A copy
# without git (the reproducibility check builds from such copies) is given
# the number: -DSETUP_BUILD_NUMBER=$(git rev-list --count HEAD) of the source
# it was copied from. With neither, configure stops: a guessed number could
# be older than one already on a reader's machine.
#
# Sets SETUP_BUILD_NUMBER_VALUE, and makes CMake configure again when the
# checkout's HEAD moves, so that `ninja` after a new commit builds the new
# version.
set(SETUP_BUILD_NUMBER "" CACHE STRING
  "The version's last field, for a source without git: the count of commits of the source it was copied from")

function(setup_git_count out_count out_depends out_why)
  set(${out_count} "" PARENT_SCOPE)
  set(${out_depends} "" PARENT_SCOPE)
  set(${out_why} "git is missing" PARENT_SCOPE)
  find_package(Git QUIET)
  if(NOT GIT_FOUND)
    return()
  endif()
  # Only a checkout whose top is this source counts: a copy of the source
  # lying inside another checkout (a build folder's) is no checkout of its own.
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-toplevel
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE top RESULT_VARIABLE failed
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE error ERROR_STRIP_TRAILING_WHITESPACE)
  if(failed OR top STREQUAL "")
    # Also where git refuses a checkout of another owner: it says why.
    set(${out_why} "git: ${error}" PARENT_SCOPE)
    return()
  endif()
  file(REAL_PATH "${top}" top)
  file(REAL_PATH "${CMAKE_SOURCE_DIR}" source)
  if(NOT top STREQUAL source)
    set(${out_why} "the source lies inside the checkout ${top}, not at its top" PARENT_SCOPE)
    return()
  endif()
  # A shallow clone counts only the commits it fetched: an older number than
  # the source's own.
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --is-shallow-repository
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE shallow OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(shallow STREQUAL "true")
    message(FATAL_ERROR "The source is a shallow clone: its count of commits is not the source's. Fetch the whole "
      "history (git fetch --unshallow) or give -DSETUP_BUILD_NUMBER=<count of commits>.")
  endif()
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-list --count HEAD
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE count RESULT_VARIABLE failed
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE error)
  if(failed)
    message(FATAL_ERROR "git cannot count the source's commits: ${error}")
  endif()

  # What a commit changes: HEAD itself (a detached one, or another branch
  # taken), the file of the branch it names, or the packed refs. A branch
  # with no file of its own yet gets one in its folder at the next commit.
  set(depends "")
  set(paths HEAD packed-refs)
  execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --symbolic-full-name HEAD
    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE ref OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(ref MATCHES "^refs/")
    list(APPEND paths "${ref}")
  endif()
  foreach(path IN LISTS paths)
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --git-path "${path}"
      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    get_filename_component(file "${file}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
    if(EXISTS "${file}")
      list(APPEND depends "${file}")
    elseif(path STREQUAL ref)
      get_filename_component(folder "${file}" DIRECTORY)
      if(IS_DIRECTORY "${folder}")
        list(APPEND depends "${folder}")
      endif()
    endif()
  endforeach()
  set(${out_count} "${count}" PARENT_SCOPE)
  set(${out_depends} "${depends}" PARENT_SCOPE)
endfunction()

setup_git_count(git_count git_depends git_why)
if(NOT SETUP_BUILD_NUMBER STREQUAL "")
  if(NOT SETUP_BUILD_NUMBER MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SETUP_BUILD_NUMBER must be a count of commits, not '${SETUP_BUILD_NUMBER}'.")
  endif()
  # Given once, a number would stay in the cache while the checkout moves on.
  if(NOT git_count STREQUAL "" AND NOT git_count STREQUAL SETUP_BUILD_NUMBER)
    message(FATAL_ERROR "SETUP_BUILD_NUMBER is ${SETUP_BUILD_NUMBER}, but the source's git counts ${git_count} "
      "commits. Leave the number out (-USETUP_BUILD_NUMBER) where git can count.")
  endif()
  set(SETUP_BUILD_NUMBER_VALUE "${SETUP_BUILD_NUMBER}")
elseif(NOT git_count STREQUAL "")
  set(SETUP_BUILD_NUMBER_VALUE "${git_count}")
else()
  message(FATAL_ERROR "The programs' version needs the source's count of commits, and git cannot give it here "
    "(${git_why}). Give it: -DSETUP_BUILD_NUMBER=$(git -C <the checkout> rev-list --count HEAD).")
endif()
# A version resource's field holds 16 bits.
if(SETUP_BUILD_NUMBER_VALUE GREATER 65535)
  message(FATAL_ERROR "The build number ${SETUP_BUILD_NUMBER_VALUE} does not fit a version field (65535 at most).")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${git_depends})
