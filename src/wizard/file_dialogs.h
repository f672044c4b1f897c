// The common file dialogs: a proposed file fills the name box and its folder
// is the folder the dialog opens in, which is the current folder while it is
// shown. The save dialog adds its default extension to a chosen name that
// holds it nowhere, and asks before the name so made replaces a file.
#pragma once

#include <string>

class QWidget;

class file_dialog {
public:
    // filter: "Text (.ext)|*.ext|All Files (*.*)|*.*|"; path: the proposed file.
    file_dialog(QWidget* owner, std::wstring filter, std::wstring title, const std::wstring& path);
    virtual ~file_dialog() = default;

    // True when the user chose a file; path() gives it.
    virtual bool show() = 0;
    const std::wstring& path() const { return m_file; }

protected:
    bool ask(bool save);

    QWidget* m_owner;
    std::wstring m_filter;
    std::wstring m_title;
    std::wstring m_file;
    std::wstring m_folder;
};

class open_file_dialog final : public file_dialog {
public:
    using file_dialog::file_dialog;
    bool show() override;
};

class save_file_dialog final : public file_dialog {
public:
    // An empty extension is an internal error; one without its dot gets it.
    save_file_dialog(QWidget* owner, std::wstring filter, std::wstring title, const std::wstring& path,
                     const std::wstring& extension);
    bool show() override;

private:
    std::wstring m_extension;
};
