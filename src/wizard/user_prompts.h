// Message boxes and the common file dialogs. Tests install answerers that
// reply in the user's place and see what would have been shown.
#pragma once

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace gui {

enum class box_kind { error, information, question, warning };

struct box_request {
    box_kind kind;
    std::wstring title;
    std::wstring text;
    // Yes and No instead of OK.
    bool yes_no = false;
    // The second button (No) is the default one.
    bool second_default = false;
    bool has_owner = false;
};

// True for OK or Yes.
using box_answerer = std::function<bool(const box_request&)>;
// An empty answerer shows the boxes again.
void set_box_answerer(box_answerer answerer);
bool show_box(const box_request& request, QWidget* owner);

struct file_request {
    bool save = false;
    std::wstring title;
    // The filter list as pages give it: "Text (.ext)|*.ext|All Files (*.*)|*.*|".
    std::wstring filter;
    std::wstring initial_folder;
    std::wstring file_name;
};

// The chosen path, or none when the user cancelled.
using file_answerer = std::function<std::optional<std::wstring>(const file_request&)>;
void set_file_answerer(file_answerer answerer);
std::optional<std::wstring> ask_file(const file_request& request, QWidget* owner);

}  // namespace gui
