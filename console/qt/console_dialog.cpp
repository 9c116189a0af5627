#include "console/qt/console_dialog.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>
#include <algorithm>
#include <array>

#include "adapter/frame_parser.h"
#include "console/list_keys.h"
#include "console/qt/byte_text.h"
#include "console/qt/dialog_units.h"
#include "console/qt/frame_lines.h"
#include "console/qt/list_entry_text.h"
#include "console/qt/one_line_text.h"
#include "console/qt/spoken_names.h"
#include "console/qt/whole_rows.h"

namespace {

// The two edits whose every notification counts: what is selected in them
// when they report is what the operator means as callsign or suffix.
bool reports_every_event(int id) { return id == ctl::my_callsign || id == ctl::my_suffix; }

QString object_name_for(int id) { return QStringLiteral("id%1").arg(id); }

// The caption as the operator reads it, without the marker of its key.
QString shown_caption(const QLabel& label) {
  QString text = label.text();
  const qsizetype marker = text.indexOf(u'&');
  if (label.buddy() && marker >= 0) text.remove(marker, 1);
  return text;
}

// A caption that starts where another control ends would touch its frame or
// scroll bar ("Tranceiver(15)" between the My repeater list and the model
// list): it keeps more than a dialog unit clear on either side, its letters
// set a little closer where it would not fit otherwise.
void keep_captions_off_neighbours(const std::map<int, QWidget*>& controls, int unit) {
  for (const auto& [id, widget] : controls) {
    auto* label = qobject_cast<QLabel*>(widget);
    if (!label || (label->alignment() & Qt::AlignRight)) continue;
    const QRect caption = label->geometry();
    const bool beside_another = std::any_of(controls.begin(), controls.end(), [&](const auto& c) {
      const QRect r = c.second->geometry();
      return c.first != id && r.top() <= caption.bottom() && r.bottom() >= caption.top() &&
             r.left() < caption.left() && r.right() + 1 >= caption.left();
    });
    if (!beside_another) continue;
    // Drawn letters land on whole device pixels and may come out a pixel
    // or two wider than measured, so the measure leaves pixels spare.
    const QString text = shown_caption(*label);
    const int room = caption.width() - 2 * (unit + 3);
    QFont tight = label->font();
    for (qreal spacing = 0; spacing > -1.0; spacing -= 0.05) {
      tight.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
      if (QFontMetrics(tight).boundingRect(text).right() + 1 <= room) break;
    }
    label->setFont(tight);
    label->setIndent(unit + 2);
  }
}

// Text from the device goes at the end; the operator's caret and selection stay.
void append_keeping_selection(QLineEdit& edit, QChar c) {
  const int start = edit.selectionStart();
  const int length = edit.selectionLength();
  const bool caret_at_start = edit.cursorPosition() == start;
  const int caret = edit.cursorPosition();
  edit.setText(edit.text() + c);
  if (length == 0) {
    edit.setCursorPosition(caret);
  } else if (caret_at_start) {
    edit.setSelection(start + length, -length);
  } else {
    edit.setSelection(start, length);
  }
}

}  // namespace

ConsoleDialog::ConsoleDialog(CommandHandler handler, const CreationHook& on_created)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::WindowContextHelpButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      handler_(std::move(handler)),
      digits_only_(std::make_unique<QRegularExpressionValidator>(
          QRegularExpression(QStringLiteral("[0-9]*")))) {
  QAccessible::installFactory(one_line_text_factory);
  setObjectName(QStringLiteral("DIALOG1"));
  setWindowTitle(QString::fromLatin1(console_title));
  pump_ = [this] { pump_display_requests(); };

  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPointSize(console_font_points);
  setFont(font);
  const DialogUnits units = dialog_units_for(QFontMetrics(font));
  setFixedSize(du_to_px_x(units, console_width_du), du_to_px_y(units, console_height_du));
  move(du_to_px_x(units, console_left_du), du_to_px_y(units, console_top_du));

  for (const ControlSpec& placed : console_controls) {
    QWidget* widget = create_control(placed);
    widget->setObjectName(object_name_for(placed.id));
    widget->setGeometry(du_rect(units, placed.x, placed.y, placed.w, placed.h));
    if (auto* entries = qobject_cast<QListWidget*>(widget)) fit_to_whole_rows(*entries);
    if (auto* text_box = qobject_cast<QPlainTextEdit*>(widget)) fit_to_whole_lines(*text_box);
    if (auto* framed = qobject_cast<QAbstractScrollArea*>(widget)) {
      if (auto lines = keep_frame_lines(*framed)) frame_lines_.push_back(std::move(lines));
    }
    controls_[placed.id] = widget;
  }
  for (const ListKey& key : list_keys) {
    auto* caption = qobject_cast<QLabel*>(control(key.label));
    caption->setText(
        QString::fromStdString(caption_with_list_key(key.label, caption->text().toStdString())));
    caption->setBuddy(control(key.list));
  }
  name_controls_by_captions([this](int id) { return control(id); });
  keep_captions_off_neighbours(controls_, du_to_px_x(units, 1));
  for (std::size_t i = 1; i < console_tab_order.size(); ++i) {
    setTabOrder(control(console_tab_order[i - 1]), control(console_tab_order[i]));
  }
  control(console_initial_focus)->setFocus(Qt::OtherFocusReason);

  if (on_created) on_created(*this);
}

ConsoleDialog::~ConsoleDialog() {
  // Controls losing the focus while they go must not reach the station logic.
  handler_ = nullptr;
}

QWidget* ConsoleDialog::create_control(const ControlSpec& placed) {
  const int id = placed.id;
  const QString caption = QString::fromLatin1(placed.caption);
  switch (placed.kind) {
    case ControlKind::label:
    case ControlKind::right_label: {
      // Named before it has text, so a screen reader's first look finds it.
      auto label = std::make_unique<QLabel>(this);
      label->setObjectName(object_name_for(id));
      label->setTextFormat(Qt::PlainText);
      label->setText(caption);
      label->setAlignment(
          (placed.kind == ControlKind::right_label ? Qt::AlignRight : Qt::AlignLeft) |
          Qt::AlignTop);
      owned_controls_.push_back(std::move(label));
      break;
    }
    case ControlKind::digits_edit:
    case ControlKind::line_edit: {
      auto edit = std::make_unique<QLineEdit>(this);
      edit->setObjectName(object_name_for(id));
      if (placed.kind == ControlKind::digits_edit) edit->setValidator(digits_only_.get());
      owned_controls_.push_back(std::move(edit));
      break;
    }
    case ControlKind::multi_line_edit: {
      auto edit = std::make_unique<QPlainTextEdit>(this);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setTabChangesFocus(true);
      edit->document()->setDocumentMargin(1);
      typing_.watch(edit.get());
      QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
      fixed.setPointSize(console_font_points);
      // Received callsigns are 8 characters each: in the fixed-pitch font
      // the four columns of the heard lines stand under each other.
      if (id == ctl::receiving) edit->setFont(fixed);
      if (reports_every_event(id)) {
        // A callsign is one line of 8 characters, module letter last: in the
        // narrow box it must neither wrap at its space nor lose the letter,
        // so it is shown in the fixed-pitch font without margins. Return
        // still adds a line.
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->document()->setDocumentMargin(0);
        edit->setFont(fixed);
        connect(edit.get(), &QPlainTextEdit::textChanged, this,
                [this, id] { route(id, CommandKind::other); });
        connect(edit->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this, id] { route(id, CommandKind::other); });
        edit->installEventFilter(this);
      }
      owned_controls_.push_back(std::move(edit));
      break;
    }
    case ControlKind::button:
    case ControlKind::default_button: {
      auto button = std::make_unique<QPushButton>(caption, this);
      if (placed.kind == ControlKind::default_button) button->setDefault(true);
      connect(button.get(), &QPushButton::clicked, this,
              [this, id] { route(id, CommandKind::other); });
      owned_controls_.push_back(std::move(button));
      break;
    }
    case ControlKind::list: {
      auto list = std::make_unique<QListWidget>(this);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(false);
      list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      // Long repeater lines run past the edge, as in the native list box;
      // a horizontal bar would take a whole row away.
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      list->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
      connect(list.get(), &QListWidget::itemDoubleClicked, this,
              [this, id] { route(id, CommandKind::double_click); });
      list->installEventFilter(this);  // Space chooses, as a double-click does
      owned_controls_.push_back(std::move(list));
      break;
    }
  }
  return owned_controls_.back().get();
}

void ConsoleDialog::route(int control_id, CommandKind kind) {
  if (!handler_) return;
  if (handler_(*this, control_id, kind, pump_)) done(0);
}

void ConsoleDialog::reject() { route(ctl::cancel, CommandKind::other); }

bool ConsoleDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    QListWidget* entries = qobject_cast<QListWidget*>(watched);
    if (entries && key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
      // The highlighted entry is chosen exactly as a double-click on it would.
      QListWidgetItem* highlighted = entries->currentItem();
      for (const ListKey& list_key : list_keys) {
        if (highlighted && control(list_key.list) == entries) {
          entries->setCurrentItem(highlighted, QItemSelectionModel::ClearAndSelect);
          route(list_key.list, CommandKind::double_click);
        }
      }
      return true;
    }
  }
  // Runs before the box itself sees the focus change, so a click on START
  // finds the selection still there.
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    for (int id : {ctl::my_callsign, ctl::my_suffix}) {
      if (watched == control(id)) route(id, CommandKind::other);
    }
  }
  return QDialog::eventFilter(watched, event);
}

template <typename Work>
void ConsoleDialog::on_window_thread(Work&& work) {
  auto in_order = [this, &work] {
    typing_.flush();
    work();
  };
  if (QThread::currentThread() == thread()) {
    in_order();
  } else {
    bridge_.call(in_order);
  }
}

void ConsoleDialog::pump_display_requests() { bridge_.serve(); }

void ConsoleDialog::close_display_requests() { bridge_.close(); }

QWidget* ConsoleDialog::control(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

QPlainTextEdit* ConsoleDialog::box(int id) const {
  return qobject_cast<QPlainTextEdit*>(control(id));
}
QLineEdit* ConsoleDialog::line(int id) const { return qobject_cast<QLineEdit*>(control(id)); }
QListWidget* ConsoleDialog::list(int id) const { return qobject_cast<QListWidget*>(control(id)); }

void ConsoleDialog::set_text(int id, const std::string& text) {
  on_window_thread([&] {
    QWidget* widget = control(id);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
      edit->setPlainText(box_text_from_bytes(text));
    } else if (auto* edit_line = qobject_cast<QLineEdit*>(widget)) {
      edit_line->setText(latin1_text(text));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      label->setText(latin1_text(text));
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      button->setText(latin1_text(text));
    }
    rename_after_text_change([this](int control_id) { return control(control_id); }, id);
  });
}

std::string ConsoleDialog::get_text(int id, int max_chars) {
  std::string text;
  on_window_thread([&] {
    QWidget* widget = control(id);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
      text = crlf_bytes(edit->document()->toRawText());
    } else if (auto* edit_line = qobject_cast<QLineEdit*>(widget)) {
      text = latin1_bytes(edit_line->text());
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
      text = latin1_bytes(shown_caption(*label));
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      text = latin1_bytes(button->text());
    }
  });
  text.resize(std::min(text.size(), static_cast<std::size_t>(std::max(0, max_chars))));
  return text;
}

EditSelection ConsoleDialog::get_selection(int id) {
  EditSelection selection;
  on_window_thread([&] {
    if (QPlainTextEdit* edit = box(id)) {
      const QTextCursor cursor = edit->textCursor();
      const QString document_text = edit->document()->toRawText();
      selection = {crlf_position(document_text, cursor.selectionStart()),
                   crlf_position(document_text, cursor.selectionEnd())};
    } else if (QLineEdit* edit_line = line(id)) {
      if (edit_line->hasSelectedText()) {
        selection = {edit_line->selectionStart(), edit_line->selectionEnd()};
      } else {
        selection = {edit_line->cursorPosition(), edit_line->cursorPosition()};
      }
    }
  });
  return selection;
}

void ConsoleDialog::type_char(int id, char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  const bool new_line = c == '\n' || c == '\r';
  // A byte is shown, never obeyed as an editing key (backspace, paste).
  const QChar typed = new_line ? QChar(u'\n') : QChar(shown_from_air(byte));
  auto work = [&] {
    if (box(id)) {
      typing_.type(id, new_line ? '\n' : static_cast<char>(shown_from_air(byte)));
    } else if (QLineEdit* edit_line = line(id)) {
      typing_.flush();
      if (!new_line) append_keeping_selection(*edit_line, typed);
    }
  };
  // Not through on_window_thread: a character joins the typing queued before it.
  if (QThread::currentThread() == thread()) {
    work();
  } else {
    bridge_.call(work);
  }
}

void ConsoleDialog::list_append(int id, const std::string& entry) {
  on_window_thread([&] {
    QListWidget* entries = list(id);
    if (!entries) return;
    entries->addItem(list_entry_display_text(entry));
    entries->item(entries->count() - 1)
        ->setData(Qt::UserRole, QByteArray(entry.data(), static_cast<qsizetype>(entry.size())));
  });
}

void ConsoleDialog::list_remove(int id, int index) {
  on_window_thread([&] {
    QListWidget* entries = list(id);
    if (!entries || index < 0 || index >= entries->count()) return;
    const bool was_selected = entries->item(index)->isSelected();
    // Qt would move the current entry to a neighbour and tell a screen
    // reader that this list has the focus, even while the operator is in
    // another list: Orca would then stay silent when Alt+H comes here.
    if (entries->currentRow() == index) entries->selectionModel()->clearCurrentIndex();
    std::unique_ptr<QListWidgetItem> removed(entries->takeItem(index));
    // Qt would select a neighbour; the operator's choice is gone, not moved.
    if (was_selected) entries->clearSelection();
  });
}

int ConsoleDialog::list_count(int id) {
  int count = 0;
  on_window_thread([&] {
    if (QListWidget* entries = list(id)) count = entries->count();
  });
  return count;
}

std::optional<std::string> ConsoleDialog::list_selected_text(int id) {
  std::optional<std::string> text;
  on_window_thread([&] {
    QListWidget* entries = list(id);
    if (!entries) return;
    const QList<QListWidgetItem*> selected = entries->selectedItems();
    if (selected.isEmpty()) return;
    const QByteArray bytes = selected.first()->data(Qt::UserRole).toByteArray();
    text = std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  });
  return text;
}

std::optional<int> ConsoleDialog::list_selected_index(int id) {
  std::optional<int> index;
  on_window_thread([&] {
    QListWidget* entries = list(id);
    if (!entries) return;
    const QList<QListWidgetItem*> selected = entries->selectedItems();
    if (!selected.isEmpty()) index = entries->row(selected.first());
  });
  return index;
}

void ConsoleDialog::message_box(const std::string& text, const std::string& caption,
                                BoxOwner owner) {
  on_window_thread([&] {
    QMessageBox box(QMessageBox::NoIcon, latin1_text(caption), latin1_text(text), QMessageBox::Ok,
                    owner == BoxOwner::window ? this : nullptr);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  });
}
