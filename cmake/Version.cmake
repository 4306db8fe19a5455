# The programs' version records and manifest, from project(VERSION) alone.
# The record's text form is major.minor.revision with the minor part in two
# digits and the revision in four (1.0.0.1 gives "1.00.0001").
function(tarnweld_zero_pad value width out)
  string(LENGTH "${value}" length)
  while(length LESS width)
    string(PREPEND value "0")
    math(EXPR length "${length} + 1")
  endwhile()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

tarnweld_zero_pad("${PROJECT_VERSION_MINOR}" 2 minor)
tarnweld_zero_pad("${PROJECT_VERSION_TWEAK}" 4 revision)
set(version_text "${PROJECT_VERSION_MAJOR}.${minor}.${revision}")
set(manifest ${CMAKE_BINARY_DIR}/generated/tarnweld.manifest)
configure_file(${PROJECT_SOURCE_DIR}/removal/tarnweld.manifest.in ${manifest} @ONLY)

# Writes PROGRAM's resource script and names it in OUT.
function(tarnweld_version_record program comments out)
  set(script ${CMAKE_BINARY_DIR}/generated/${program}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${script} @ONLY)
  set_source_files_properties(${script} PROPERTIES OBJECT_DEPENDS ${manifest})
  set(${out} ${script} PARENT_SCOPE)
endfunction()
