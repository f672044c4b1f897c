// The wizard's property sheet: its pages in the order they were added, a
// header with the current page's title and subtitle (or the watermark for
// pages without one), and the Back, Next, Finish, Cancel and Help buttons.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <vector>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;
class QWidget;
class property_page;

class property_sheet final : public QDialog {
public:
    property_sheet();

    void set_images(const QPixmap& watermark, const QPixmap& header);
    // Pages are kept in this order; the caller owns them and destroys them
    // before the sheet.
    void add_page(property_page& page);
    const std::vector<property_page*>& pages() const { return m_pages; }
    // The page area takes the room of a page the sheet does not hold, so that
    // a sheet of fewer pages opens at the size of the whole wizard.
    void make_room_for(property_page& page);

    // Shows the sheet modally from its first page that accepts activation;
    // 1 after Finish, 0 after Cancel (or when no page could be shown).
    int run();

    property_page* current_page() const;
    // Activates the first page with that dialog id, as the progress page does
    // when the run ended; false when there is none or it refuses.
    bool set_current_page_id(int dialog_id);

    // The buttons of the mask (1 Back, 2 Next, 4 Finish) are offered; Finish
    // takes Next's place when the mask holds it without Next.
    void set_wizard_buttons(unsigned mask);
    // A sheet button by id (gui::sheet_button).
    QPushButton* button(int id) const;
    void enable_button(int id, bool enable);

    // What the buttons do; also the keyboard's Esc (Cancel) and F1 (Help).
    void press_back();
    void press_next();
    void press_finish();
    void press_cancel();
    void press_help();

    // The progress timer: its ticks go to the current page.
    void start_timer(int milliseconds);
    void stop_timer();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class direction { forward, backward };

    // Moves by a page's result: 0 the neighbour in the direction, -1 stay,
    // else the page of that dialog id.
    void go_to(int result, direction way);
    // Activates the page at the index or, when it refuses, the next ones in
    // the direction; false when none accepts.
    bool activate_from(std::size_t index, direction way);
    bool activate(std::size_t index);
    void show_header_of(const property_page& page);
    int index_of(int dialog_id) const;

    std::vector<property_page*> m_pages;
    int m_current = -1;
    QWidget* m_header = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QLabel* m_header_picture = nullptr;
    QLabel* m_watermark = nullptr;
    QStackedWidget* m_stack = nullptr;
    QTimer* m_timer = nullptr;
};
