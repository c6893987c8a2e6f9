# `dist`: the package a support desk hands out: OrvexEnv.exe and a short
# read-me for end users (CP932, CR LF) in a zip under dist/.
set(ORVEX_DIST_ZIP ${CMAKE_SOURCE_DIR}/dist/OrvexEnv-${PROJECT_VERSION}.zip)
add_custom_target(dist
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh $<TARGET_FILE:OrvexEnv> ${CMAKE_SOURCE_DIR}/docs/readme-ja.txt
          ${ORVEX_DIST_ZIP}
  DEPENDS OrvexEnv
  COMMENT "Packing ${ORVEX_DIST_ZIP}"
  VERBATIM)
