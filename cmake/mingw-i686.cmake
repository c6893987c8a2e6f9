set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORVEX_MINGW_TRIPLET i686-w64-mingw32)
set(ORVEX_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
