# `dist`: the packages a support desk hands out and installs, each an exe and
# its read-me (CP932, CR LF) in a zip under dist/: OrvexEnv.exe with a short
# read-me for end users, OrvexEnvRead.exe with the desk's read-me.
set(ORVEX_DIST_ZIP ${CMAKE_SOURCE_DIR}/dist/OrvexEnv-${PROJECT_VERSION}.zip)
set(ORVEX_READER_DIST_ZIP ${CMAKE_SOURCE_DIR}/dist/OrvexEnvRead-${PROJECT_VERSION}.zip)
add_custom_target(dist
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh $<TARGET_FILE:OrvexEnv> ${CMAKE_SOURCE_DIR}/docs/readme-ja.txt
          ${ORVEX_DIST_ZIP}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh $<TARGET_FILE:OrvexEnvRead>
          ${CMAKE_SOURCE_DIR}/docs/reader-readme-ja.txt ${ORVEX_READER_DIST_ZIP}
  DEPENDS OrvexEnv OrvexEnvRead
  COMMENT "Packing ${ORVEX_DIST_ZIP} and ${ORVEX_READER_DIST_ZIP}"
  VERBATIM)
