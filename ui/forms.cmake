# Forms (top-level windows of the framework with the dialog-like keyboard handling) and the modal form
# host. Included from ui/CMakeLists.txt.

add_library(qelui_forms STATIC
  ${CMAKE_CURRENT_LIST_DIR}/QelForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QelModalHost.cpp
)
target_include_directories(qelui_forms PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qelui_forms PUBLIC qelui qelui_menus_dialogs qelmfc qelruntime shell32 user32 gdi32)

add_win_test(ui_form_tests
  ${CMAKE_CURRENT_LIST_DIR}/tests/form_create_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tests/form_keyboard_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tests/form_events_test.cpp
)
target_link_libraries(ui_form_tests PRIVATE qelui_forms)

add_win_test(ui_modal_tests
  ${CMAKE_CURRENT_LIST_DIR}/tests/modal_host_test.cpp
)
target_link_libraries(ui_modal_tests PRIVATE qelui_forms)
