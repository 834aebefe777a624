# Forms (top-level windows of the framework with the dialog-like keyboard handling) and the modal form
# host. Included from ui/CMakeLists.txt.

add_library(qelui_forms STATIC
  ${CMAKE_CURRENT_LIST_DIR}/QelForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QelModalHost.cpp
)
target_include_directories(qelui_forms PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(qelui_forms PUBLIC qelui qelui_menus_dialogs qelmfc qelruntime shell32 user32 gdi32)
