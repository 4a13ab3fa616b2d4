# The frame's program-lifetime globals, shared by the frame and the serial input.
add_library(app_state STATIC ${CMAKE_CURRENT_LIST_DIR}/app_state.cpp)
target_include_directories(app_state PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform/include)
