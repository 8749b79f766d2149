# Copies the shipped data into the runnable folder. A file is copied only
# when it is missing there or its source is newer, so what the game writes
# into its folder (track records, options, saves) survives a rebuild.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(f ${files})
  if(NOT f MATCHES "(^|/)README\\.md$" AND ${SRC}/${f} IS_NEWER_THAN ${DST}/${f})
    get_filename_component(dir ${DST}/${f} DIRECTORY)
    file(COPY ${SRC}/${f} DESTINATION ${dir})
  endif()
endforeach()
