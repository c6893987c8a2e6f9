# `dist`: the packages a support desk hands out and installs, each its exes
# and a read-me (CP932, CR LF) in a zip under dist/: OrvexEnv.exe and
# OrvexEnvRead.exe with a short read-me for the taxpayer, who runs the tool
# and then sees what to fix; OrvexEnvRead.exe with the desk's read-me.
set(ORVEX_DIST_ZIP ${CMAKE_SOURCE_DIR}/dist/OrvexEnv-${PROJECT_VERSION}.zip)
set(ORVEX_READER_DIST_ZIP ${CMAKE_SOURCE_DIR}/dist/OrvexEnvRead-${PROJECT_VERSION}.zip)
add_custom_target(dist
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh ${ORVEX_DIST_ZIP} ${CMAKE_SOURCE_DIR}/docs/readme-ja.txt
          $<TARGET_FILE:OrvexEnv> $<TARGET_FILE:OrvexEnvRead>
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh ${ORVEX_READER_DIST_ZIP}
          ${CMAKE_SOURCE_DIR}/docs/reader-readme-ja.txt $<TARGET_FILE:OrvexEnvRead>
  DEPENDS OrvexEnv OrvexEnvRead
  COMMENT "Packing ${ORVEX_DIST_ZIP} and ${ORVEX_READER_DIST_ZIP}"
  VERBATIM)
