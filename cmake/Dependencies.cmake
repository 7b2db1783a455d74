# Every third-party library Orvane uses, found once for the whole tree.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(RapidJSON REQUIRED)
find_package(GTest REQUIRED)

# RapidJSON's config package only sets variables; give it a target, as a SYSTEM
# include so that its own warnings stay out of our build.
if(NOT TARGET orvane_rapidjson)
  add_library(orvane_rapidjson INTERFACE)
  target_include_directories(orvane_rapidjson SYSTEM INTERFACE ${RapidJSON_INCLUDE_DIRS} ${RAPIDJSON_INCLUDE_DIRS})
  target_compile_definitions(orvane_rapidjson INTERFACE RAPIDJSON_HAS_STDSTRING=1)
endif()

# libavutil and libswresample link as usual. libavformat and libavcodec are loaded on
# first use (src/media/FfmpegCodecs.h): only their headers are needed at build time.
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET libswresample libavutil)
pkg_check_modules(FFMPEG_CODECS REQUIRED libavformat libavcodec)
if(NOT TARGET orvane_ffmpeg_codec_headers)
  add_library(orvane_ffmpeg_codec_headers INTERFACE)
  target_include_directories(orvane_ffmpeg_codec_headers SYSTEM INTERFACE ${FFMPEG_CODECS_INCLUDE_DIRS})
  target_link_libraries(orvane_ffmpeg_codec_headers INTERFACE ${CMAKE_DL_LIBS})
endif()
pkg_check_modules(TAGLIB REQUIRED IMPORTED_TARGET taglib)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)

if(ORVANE_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

if(ORVANE_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus Svg Test)
endif()
