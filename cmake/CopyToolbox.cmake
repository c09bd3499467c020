# Copies toolbox/*.m (and class folders) next to the built modules.
file(GLOB entries "${SRC}/*")
foreach(entry ${entries})
  file(COPY ${entry} DESTINATION ${DST})
endforeach()
