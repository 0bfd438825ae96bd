# Host build: the renderer, the unit tests and the benchmarks.
find_package(PNG REQUIRED)
find_package(GTest REQUIRED)
find_package(benchmark REQUIRED)
include(GoogleTest)

add_executable(quorvane-render src/render/RenderMain.cpp src/render/PngWriter.cpp src/render/ReplacementFile.cpp)
target_link_libraries(quorvane-render PRIVATE quorvane_raster PNG::PNG)

add_subdirectory(tests/host)
add_subdirectory(bench)
