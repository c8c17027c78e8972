# The frame conversion against libyuv (bench only) and memcpy.
find_path(CORVANE_LIBYUV_INCLUDE libyuv/convert_argb.h REQUIRED)
find_library(CORVANE_LIBYUV_LIBRARY yuv REQUIRED)
add_executable(bench_media_frame_conversion ${CMAKE_CURRENT_LIST_DIR}/frame_conversion_bench.cpp
               ${PROJECT_SOURCE_DIR}/media_texture/frame_conversion.cpp)
target_include_directories(bench_media_frame_conversion PRIVATE ${PROJECT_SOURCE_DIR} ${CORVANE_LIBYUV_INCLUDE})
target_link_libraries(bench_media_frame_conversion PRIVATE benchmark::benchmark ${CORVANE_LIBYUV_LIBRARY})
