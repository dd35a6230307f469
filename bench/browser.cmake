# Start-up: the program's windows against a minimal Qt Widgets program, each a
# probe process the driver starts; see bench/browser/StartupDriver.cpp.
add_executable(bench_browser_probe_qm5 browser/StartupQm5.cpp)
target_link_libraries(bench_browser_probe_qm5 PRIVATE qm_program)
add_executable(bench_browser_probe_minimal browser/StartupMinimal.cpp)
target_link_libraries(bench_browser_probe_minimal PRIVATE Qt6::Widgets)
add_executable(bench_browser_startup browser/StartupDriver.cpp)
target_compile_definitions(bench_browser_startup PRIVATE
  QM5_PROBE_QM5="$<TARGET_FILE:bench_browser_probe_qm5>"
  QM5_PROBE_MINIMAL="$<TARGET_FILE:bench_browser_probe_minimal>"
  QM5_SAMPLE_MEDIA="${CMAKE_SOURCE_DIR}/samples/lesson.mp3"
  QM5_MPV_SONAME="${QM5_MPV_SONAME}")
add_dependencies(bench_browser_startup bench_browser_probe_qm5 bench_browser_probe_minimal)
set_target_properties(bench_browser_startup PROPERTIES AUTOMOC OFF)
