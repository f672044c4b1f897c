// The column type editor on a table of the private MariaDB server: what it
// shows, the rules OK writes and Cancel drops, the size boxes each type
// takes, and the catalogues it needs beside the program.
#include "wizard/types_map_dlg.h"

#include "converter/brantwick_convertor.h"
#include "mysql/test_database.h"
#include "support/test_mariadb.h"
#include "wizard/gui_ids.h"
#include "wizard/gui_test_support.h"
#include "wizard/type_catalogues.h"
#include "wizard/wizard_entry.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>

namespace {

std::wstring wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

QTreeWidget& rows(id_dialog& dialog)
{
    return *dialog.controls().item_as<QTreeWidget>(columns_list);
}

void select_row(id_dialog& dialog, int row)
{
    rows(dialog).setCurrentItem(rows(dialog).topLevelItem(row));
}

void set_checked(id_dialog& dialog, int row, bool checked)
{
    rows(dialog).topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

bool is_checked(id_dialog& dialog, int row)
{
    return rows(dialog).topLevelItem(row)->checkState(0) == Qt::Checked;
}

// Picks a type from the list as the user would.
void choose_type(id_dialog& dialog, const QString& type)
{
    auto* types = dialog.controls().item_as<QComboBox>(column_type_list);
    const int index = types->findText(type);
    QVERIFY2(index >= 0, qPrintable(type));
    types->setCurrentIndex(index);
    dialog.controls().command(column_type_list, gui::selection_changed);
}

bool shown(id_dialog& dialog, int id)
{
    return !dialog.controls().item(id)->isHidden();
}

// One column's type as a CREATE TABLE of the script writes it, in the
// editor's terms: the type name, and the length, precision and scale its
// parentheses give (empty where they give none, or max).
struct written_type {
    QString type;
    QString length;
    QString precision;
    QString scale;
};

std::map<QString, written_type> columns_of_script(const QString& script, const QString& table)
{
    std::map<QString, written_type> columns;
    const qsizetype start = script.indexOf("CREATE TABLE [dbo].[" + table + "]");
    const qsizetype end = script.indexOf("\r\nGO", start);
    const QStringList lines = script.mid(start, end - start).split("\r\n");
    static const QRegularExpression column(R"(^\t\[([^\]]+)\] +([A-Za-z0-9]+) *(?:\(([^)]*)\))?)");
    for (const QString& line : lines) {
        const QRegularExpressionMatch match = column.match(line);
        if (!match.hasMatch())
            continue;
        written_type written{match.captured(2).toLower(), {}, {}, {}};
        const QStringList sizes = match.captured(3).split(',', Qt::SkipEmptyParts);
        if (written.type.contains("char") || written.type.contains("binary"))
            written.length = sizes.value(0).compare("max", Qt::CaseInsensitive) == 0 ? QString() : sizes.value(0);
        else if (sizes.size() == 2)
            std::tie(written.precision, written.scale) = std::pair{sizes[0], sizes[1]};
        columns[match.captured(1)] = written;
    }
    return columns;
}

// A box the chosen type does not take counts as empty.
QString box_text(id_dialog& dialog, int id)
{
    return dialog.controls().item(id)->isHidden() ? QString() : QString::fromStdWString(dialog.controls().text(id));
}

void write_file(const QString& path, const char* text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

}  // namespace

class types_map_dlg_test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        gui_initialize();
        database.emplace("velmora_types_map");
        velmora_test::execute(database->connection(),
                              "CREATE TABLE orders (id INT NOT NULL PRIMARY KEY, note VARCHAR(40) DEFAULT 'none', "
                              "amount DECIMAL(10,2) NOT NULL DEFAULT 0)");
        // The catalogues are found beside the program, not in the current folder.
        QVERIFY(elsewhere.isValid());
        QVERIFY(QDir::setCurrent(elsewhere.path()));
    }

    void cleanupTestCase() { database.reset(); }

    void init()
    {
        user.emplace();
        converter.emplace(convertor_form::wizard);
        const velmora_test::mariadb_endpoint server = velmora_test::mariadb_server();
        converter->store_mysql_settings(server.host, server.user, server.password, std::to_string(server.port));
        converter->connect_mysql_server();
        converter->set_source_name(wide(database->name()));
    }

    void cleanup()
    {
        type_catalogues::set_folder({});
        converter.reset();
        user.reset();
    }

    void a_table_without_rules_shows_the_source_and_ok_makes_a_rename_only_rule()
    {
        QCOMPARE(open_editor([](id_dialog& dialog) {
                     QCOMPARE(dialog.windowTitle(), QString("Edit Table"));
                     QCOMPARE(dialog.controls().text(table_name_edit), std::wstring(L"orders"));
                     QTreeWidget& list = rows(dialog);
                     QCOMPARE(list.topLevelItemCount(), 3);
                     const char* expected[][3] = {
                         {"id", "int", ""}, {"note", "nvarchar(40)", "none"}, {"amount", "numeric(10,2)", "0"}};
                     for (int row = 0; row < 3; ++row) {
                         QVERIFY(is_checked(dialog, row));
                         for (int column = 0; column < 3; ++column)
                             QCOMPARE(list.topLevelItem(row)->text(column + 1), QString(expected[row][column]));
                     }
                     QCOMPARE(dialog.controls().text(column_name_edit), std::wstring(L"id"));
                     QCOMPARE(dialog.controls().text(column_type_list), std::wstring(L"int"));
                     QVERIFY(!shown(dialog, length_edit) && !shown(dialog, precision_edit));
                     select_row(dialog, 1);
                     QCOMPARE(dialog.controls().text(column_type_list), std::wstring(L"nvarchar"));
                     QCOMPARE(dialog.controls().text(length_edit), std::wstring(L"40"));
                     QVERIFY(shown(dialog, length_label) && shown(dialog, length_edit));
                     QVERIFY(!shown(dialog, precision_edit) && !shown(dialog, scale_edit));
                     select_row(dialog, 2);
                     QCOMPARE(dialog.controls().text(column_type_list), std::wstring(L"numeric"));
                     QCOMPARE(dialog.controls().text(precision_edit), std::wstring(L"10"));
                     QCOMPARE(dialog.controls().text(scale_edit), std::wstring(L"2"));
                     QVERIFY(!shown(dialog, length_edit));
                     QVERIFY(shown(dialog, precision_label) && shown(dialog, scale_label));
                     click_control(dialog, gui::id_ok);
                 }),
                 int(gui::id_ok));
        // Looking at the rows changed nothing: the rule only names the table.
        const mss_table_mutator* rule = converter->get_table_mutator3(L"orders");
        QVERIFY(rule != nullptr);
        QCOMPARE(rule->new_name, std::wstring(L"orders"));
        QVERIFY(!rule->has_field_mutators());
        QVERIFY(user->boxes.empty());
    }

    void ok_writes_each_rows_own_values_and_a_status_that_follows_its_check_mark()
    {
        open_editor([](id_dialog& dialog) {
            // Unchecked while selected, then left: the column stays out.
            set_checked(dialog, 0, false);
            select_row(dialog, 1);
            dialog.controls().set_text(column_name_edit, L"remark");
            choose_type(dialog, "varchar");
            dialog.controls().set_text(length_edit, L"80");
            // Unchecked while another row is selected: its own values go with it.
            set_checked(dialog, 2, false);
            dialog.controls().set_text(table_name_edit, L"purchases");
            click_control(dialog, gui::id_ok);
        });
        const mss_table_mutator* rule = converter->get_table_mutator3(L"orders");
        QVERIFY(rule != nullptr);
        QCOMPARE(rule->new_name, std::wstring(L"purchases"));
        QCOMPARE(rule->field_mutators.size(), std::size_t(3));
        const mss_field_mutator* id = rule->find(L"id");
        QCOMPARE(id->status, std::uint32_t(2));
        QCOMPARE(id->new_name, std::wstring(L"id"));
        const mss_field_mutator* note = rule->find(L"note");
        QCOMPARE(note->status, std::uint32_t(1));
        QCOMPARE(note->new_name, std::wstring(L"remark"));
        QCOMPARE(note->type.type, std::wstring(L"varchar"));
        QCOMPARE(note->type.length, std::uint64_t(80));
        const mss_field_mutator* amount = rule->find(L"amount");
        QCOMPARE(amount->status, std::uint32_t(2));
        QCOMPARE(amount->new_name, std::wstring(L"amount"));
        QCOMPARE(amount->type.type, std::wstring(L"numeric"));
        QCOMPARE(amount->type.prec, std::uint32_t(10));
        QCOMPARE(amount->type.scale, std::uint32_t(2));

        // Reopened: the rules show; a column checked again with its source
        // values loses its rule, and Cancel would have kept everything.
        QCOMPARE(open_editor([](id_dialog& dialog) {
                     QCOMPARE(dialog.controls().text(table_name_edit), std::wstring(L"purchases"));
                     QVERIFY(!is_checked(dialog, 0) && is_checked(dialog, 1) && !is_checked(dialog, 2));
                     select_row(dialog, 1);
                     QCOMPARE(dialog.controls().text(column_name_edit), std::wstring(L"remark"));
                     QCOMPARE(dialog.controls().text(column_type_list), std::wstring(L"varchar"));
                     QCOMPARE(dialog.controls().text(length_edit), std::wstring(L"80"));
                     set_checked(dialog, 2, true);
                     click_control(dialog, gui::id_cancel);
                 }),
                 int(gui::id_cancel));
        QVERIFY(rule->find(L"amount") != nullptr);
        open_editor([](id_dialog& dialog) {
            set_checked(dialog, 2, true);
            click_control(dialog, gui::id_ok);
        });
        QVERIFY(rule->find(L"amount") == nullptr);
        QCOMPARE(rule->find(L"id")->status, std::uint32_t(2));
        QCOMPARE(rule->find(L"note")->new_name, std::wstring(L"remark"));
        QVERIFY(user->boxes.empty());
    }

    void a_rule_with_a_sized_type_shows_the_type_without_its_size()
    {
        mss_native_type sized;
        sized.type = L"nvarchar(80)";
        sized.length = 80;
        converter->get_table_mutator2(L"orders", L"orders")->update_field(L"note", L"remark", sized);
        open_editor([](id_dialog& dialog) {
            select_row(dialog, 1);
            QCOMPARE(dialog.controls().text(column_name_edit), std::wstring(L"remark"));
            QCOMPARE(dialog.controls().text(column_type_list), std::wstring(L"nvarchar"));
            QCOMPARE(dialog.controls().text(length_edit), std::wstring(L"80"));
            click_control(dialog, gui::id_cancel);
        });
        QCOMPARE(converter->get_table_mutator3(L"orders")->find(L"note")->type.type, std::wstring(L"nvarchar(80)"));
    }

    void an_empty_column_name_keeps_the_row_selected_with_a_message()
    {
        open_editor([](id_dialog& dialog) {
            dialog.controls().set_text(column_name_edit, L"");
            select_row(dialog, 1);
            QCOMPARE(rows(dialog).indexOfTopLevelItem(rows(dialog).currentItem()), 0);
            click_control(dialog, gui::id_ok);
        });
        QCOMPARE(user->boxes.size(), std::size_t(2));
        QCOMPARE(user->boxes[0].text, std::wstring(L"Name cannot be empty. Try again."));
        // OK still wrote the table rule, without the row's pending change.
        const mss_table_mutator* rule = converter->get_table_mutator3(L"orders");
        QVERIFY(rule != nullptr && !rule->has_field_mutators());
    }

    // A size box takes a whole number in range, or nothing; anything else is
    // refused with a message and the row stays selected.
    void size_boxes_refuse_what_is_not_a_number_in_range()
    {
        struct case_row {
            int row;
            int box;
            const wchar_t* typed;
            const wchar_t* refusal;
        };
        const wchar_t* length_refusal = L"Length must be a whole number from 0 to 2147483647. Try again.";
        const wchar_t* precision_refusal = L"Precision must be a whole number from 0 to 38. Try again.";
        const wchar_t* scale_refusal = L"Scale must be a whole number from 0 to 38. Try again.";
        const case_row rows_to_try[] = {
            {1, length_edit, L"-5x", length_refusal},
            {1, length_edit, L"abc", length_refusal},
            {1, length_edit, L"2147483648", length_refusal},
            {1, length_edit, L"-5", length_refusal},
            {2, precision_edit, L"39", precision_refusal},
            {2, scale_edit, L"-1", scale_refusal},
            {1, length_edit, L" 80 ", nullptr},
            {2, precision_edit, L"", nullptr},
        };
        for (const case_row& row : rows_to_try) {
            user.emplace();
            open_editor([&](id_dialog& dialog) {
                select_row(dialog, row.row);
                dialog.controls().set_text(row.box, row.typed);
                select_row(dialog, 0);
                const int selected = rows(dialog).indexOfTopLevelItem(rows(dialog).currentItem());
                QCOMPARE(selected, row.refusal != nullptr ? row.row : 0);
                click_control(dialog, gui::id_cancel);
            });
            if (row.refusal == nullptr) {
                QVERIFY(user->boxes.empty());
                continue;
            }
            QVERIFY(!user->boxes.empty());
            QCOMPARE(user->boxes[0].text, std::wstring(row.refusal));
        }
    }

    // The list shows an edited row as it now stands, without reopening.
    void the_list_shows_an_edit_once_the_row_is_left()
    {
        open_editor([](id_dialog& dialog) {
            select_row(dialog, 1);
            choose_type(dialog, "varchar");
            dialog.controls().set_text(length_edit, L"80");
            dialog.controls().set_text(default_value_edit, L"later");
            select_row(dialog, 0);
            QCOMPARE(rows(dialog).topLevelItem(1)->text(2), QString("varchar(80)"));
            QCOMPARE(rows(dialog).topLevelItem(1)->text(3), QString("later"));
            click_control(dialog, gui::id_cancel);
        });
        QVERIFY(user->boxes.empty());
    }

    void the_size_boxes_follow_the_chosen_types_size_words()
    {
        QTemporaryDir folder;
        write_file(folder.filePath("mss.map"), "int:\n- int\n- sized\n- measured\n- exact\n- precise\n");
        write_file(folder.filePath("mss.typ"),
                   "int:\nsized:\n- length\nmeasured:\n- PRECISION\nexact:\n- SCALE\n- PRECISION\nprecise:\n"
                   "- SCALE\n");
        type_catalogues::set_folder(folder.path().toStdString());
        open_editor([](id_dialog& dialog) {
            const struct {
                const char* type;
                bool length;
                bool precision_and_scale;
            } cases[] = {
                {"sized", true, false},    {"measured", false, false}, {"exact", false, true},
                {"precise", false, false}, {"int", false, false},
            };
            for (const auto& c : cases) {
                choose_type(dialog, c.type);
                QVERIFY2(shown(dialog, length_label) == c.length && shown(dialog, length_edit) == c.length, c.type);
                for (int id : {precision_label, precision_edit, scale_label, scale_edit})
                    QVERIFY2(shown(dialog, id) == c.precision_and_scale, c.type);
            }
            // A type the catalogue does not list offers nothing.
            select_row(dialog, 1);
            QCOMPARE(dialog.controls().item_as<QComboBox>(column_type_list)->count(), 0);
            click_control(dialog, gui::id_cancel);
        });
        QVERIFY(converter->get_table_mutator3(L"orders") == nullptr);
    }

    // Nothing changed in the editor, each column of every kind the source
    // has shows the type, length, precision and scale the script writes.
    void the_editor_shows_for_each_column_the_type_the_script_writes()
    {
        const velmora_test::scratch_database source("velmora_types_map_all", "mysql/column_types.sql");
        converter->set_source_name(wide(source.name()));
        QTemporaryDir output;
        const QString script_path = output.filePath("all_types.sql");
        converter->direct = false;
        converter->set_destination_name(script_path.toStdWString());
        converter->selected = {{L"all_types", L""}};
        {
            test_error_handler errors;
            (*converter)();
        }
        QVERIFY(converter->is_complete());
        QFile script(script_path);
        QVERIFY(script.open(QIODevice::ReadOnly));
        const std::map<QString, written_type> written =
            columns_of_script(QString::fromUtf8(script.readAll()), "all_types");
        QCOMPARE(written.size(), std::size_t(converter->get_schema(L"all_types").size()));

        dialog_script check([&](id_dialog& dialog) {
            QTreeWidget& list = rows(dialog);
            for (int row = 0; row < list.topLevelItemCount(); ++row) {
                select_row(dialog, row);
                const QString name = list.topLevelItem(row)->text(1);
                const auto expected = written.find(name);
                QVERIFY2(expected != written.end(), qPrintable(name));
                const written_type& type = expected->second;
                const QString label = name + " " + type.type;
                QVERIFY2(QString::fromStdWString(dialog.controls().text(column_type_list)) == type.type,
                         qPrintable(label));
                QVERIFY2(box_text(dialog, length_edit) == type.length, qPrintable(label));
                QVERIFY2(box_text(dialog, precision_edit) == type.precision, qPrintable(label));
                QVERIFY2(box_text(dialog, scale_edit) == type.scale, qPrintable(label));
            }
            click_control(dialog, gui::id_ok);
        });
        edit_column_types(L"all_types");
        // Looking at every row wrote no field rule.
        QVERIFY(!converter->get_table_mutator3(L"all_types")->has_field_mutators());
    }

    void a_missing_catalogue_is_named_and_the_dialog_closes_without_rules()
    {
        QTemporaryDir folder;
        for (const char* missing : {"mss.map", "mss.typ"}) {
            user->boxes.clear();
            type_catalogues::set_folder(folder.path().toStdString());
            column_types_dialog dialog(L"orders", converter->get_schema(L"orders"));
            QCOMPARE(dialog.run_modal(), int(gui::id_cancel));
            QCOMPARE(user->boxes.size(), std::size_t(1));
            QCOMPARE(user->boxes[0].text, L"Cannot find " + wide(missing) + L". Custom type mapping is not available.");
            QVERIFY(converter->get_table_mutator3(L"orders") == nullptr);
            write_file(folder.filePath(missing), "int:\n- int\n");
        }
    }

private:
    // Opens the editor on the orders table and acts once it shows; the
    // dialog's result.
    int open_editor(const std::function<void(id_dialog&)>& act)
    {
        dialog_script script([&](id_dialog& dialog) {
            act(dialog);
            if (dialog.isVisible())
                dialog.done(99);
        });
        return edit_column_types(L"orders");
    }

    QTemporaryDir elsewhere;
    std::optional<velmora_test::scratch_database> database;
    std::optional<scripted_user> user;
    std::optional<brantwick_convertor> converter;
};

QTEST_MAIN(types_map_dlg_test)
#include "types_map_dlg_test.moc"
