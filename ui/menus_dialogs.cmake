# Menus and accelerators built from menu definition texts, and the system's common dialogs (open,
# save, font, WinHelp requests). Included from ui/CMakeLists.txt.

add_library(qelui_menus_dialogs STATIC
  ${CMAKE_CURRENT_LIST_DIR}/QelMenu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QelCommonDialog.cpp
)
target_include_directories(qelui_menus_dialogs PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qelui_menus_dialogs PUBLIC qelruntime comdlg32 user32 gdi32)

set(UI_MENU_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tests/menu_definition_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tests/menu_accelerator_test.cpp
)
add_win_test(ui_menu_tests ${UI_MENU_TEST_SOURCES})
target_link_libraries(ui_menu_tests PRIVATE qelui_menus_dialogs)

set(UI_DIALOG_TEST_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/tests/dialog_object_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tests/dialog_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tests/dialog_font_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tests/dialog_help_test.cpp
)
add_win_test(ui_dialog_tests ${UI_DIALOG_TEST_SOURCES})
target_link_libraries(ui_dialog_tests PRIVATE qelui_menus_dialogs)
