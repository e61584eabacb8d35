#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <span>
#include <string_view>

#include "ui/qt/GridView.h"
#include "ui/qt/PickerDialog.h"
#include "ui/qt/QtDesktop.h"
#include "window/WindowControls.h"
#include "window/WindowLayout.h"
#include "window/frmActualiza1.h"
#include "window/frmPath.h"

namespace fd {

namespace {

QColor colorOf(layout::Rgb rgb) {
  return QColor(rgb.red, rgb.green, rgb.blue);
}

QString rgbOf(layout::Rgb rgb) {
  return QString("rgb(%1, %2, %3)").arg(rgb.red).arg(rgb.green).arg(rgb.blue);
}

QString qText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Our own mark, as the window's description draws it, shaded from top left to bottom right.
QPixmap drawLogo() {
  const layout::Logo& logo = layout::logo();
  const int size = logo.side;
  const auto at = [size](layout::LogoPoint point) {
    return QPointF(size * point.x / 100.0, size * point.y / 100.0);
  };
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF square(1, 1, size - 2, size - 2);
  QLinearGradient fill(square.topLeft(), square.bottomRight());
  fill.setColorAt(0, colorOf(logo.square).lighter(125));
  fill.setColorAt(1, colorOf(logo.square).darker(125));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  const double radius = size * logo.cornerRadius / 100.0;
  painter.drawRoundedRect(square, radius, radius);
  QFont font("Sans", 1, QFont::Bold);
  font.setPixelSize(size * logo.letterHeight / 100);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(at(logo.lettersTopLeft), at(logo.lettersBottomRight)), Qt::AlignCenter,
                   "FD");
  QPainterPath arrow;
  arrow.moveTo(at(logo.arrow[0]));
  for (const layout::LogoPoint& point : std::span(logo.arrow).subspan(1))
    arrow.lineTo(at(point));
  arrow.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(colorOf(logo.arrowColor));
  painter.drawPath(arrow);
  return pixmap;
}

}  // namespace

MainWindow::MainWindow(frmActualiza1& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  setObjectName("frmActualiza1");
  setWindowTitle(QString::fromUtf8(frmActualiza1::kCaption));
  setAccessibleName(QString::fromUtf8(frmActualiza1::kCaption));

  tabs_ = new QTabWidget;
  tabs_->setObjectName("SSTab1");
  tabs_->setAccessibleName("SSTab1");
  buildGeneral(addPage(layout::General));
  for (int page = layout::Descomprimir; page < layout::PageCount; ++page)
    buildPage(page, addPage(page));
  QPointer<QTabWidget> tabs = tabs_;
  form_.SSTab1.addListener([tabs, this] {
    if (tabs)
      tabs->setCurrentIndex(form_.SSTab1.Tab());
  });
  tabs_->setCurrentIndex(form_.SSTab1.Tab());
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) { form_.SSTab1.setTab(tab); });

  auto* logo = new QLabel;
  logo->setObjectName("iLogo");
  logo->setAccessibleName("iLogo");
  logo->setPixmap(drawLogo());
  logo->setContentsMargins(0, 0, 6, 2);
  tabs_->setCornerWidget(logo, Qt::TopRightCorner);

  QLineEdit* status = textBox(form_.txtEstado, "txtEstado");
  status->setStyleSheet(
      QString("QLineEdit { background-color: %1; color: %2; border: 1px solid %1; }")
          .arg(rgbOf(layout::kStatusBack), rgbOf(layout::kStatusText)));
  status->setFocusPolicy(Qt::NoFocus);

  auto* central = new QWidget;
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(6, 6, 6, 6);
  column->addWidget(tabs_, 1);
  column->addWidget(status);
  setCentralWidget(central);
  resize(layout::kWindowWidthTwips / 15, layout::kWindowHeight);

  form_.showWindow = [this] {
    show();
    QCoreApplication::processEvents();
  };
  form_.showPicker = [this](frmPath& picker) {
    PickerDialog dialog(picker, this);
    dialog.exec();
  };

  for (const ControlDescription& control : windowControls()) {
    auto* widget = findChild<QWidget*>(QString::fromUtf8(control.name));
    if (widget != nullptr)
      described_.emplace_back(widget, &control);
  }
  QPointer<MainWindow> self = this;
  form_.addAvailabilityListener([self] {
    if (self)
      self->showAvailability();
  });
  showAvailability();
  form_.closeWindow = [self] {
    if (self)
      QTimer::singleShot(0, self, &QWidget::close);
  };
}

MainWindow::~MainWindow() {
  form_.showWindow = nullptr;
  form_.showPicker = nullptr;
  form_.closeWindow = nullptr;
}

QVBoxLayout* MainWindow::addPage(int tab) {
  auto* page = new QWidget;
  const QString caption = qText(layout::pageCaption(tab));
  page->setAccessibleName(caption.trimmed());
  tabs_->addTab(page, caption);
  return new QVBoxLayout(page);
}

void MainWindow::buildGeneral(QVBoxLayout* page) {
  page->addWidget(sectionBar(layout::kFoldersSection));
  auto* folders = new QGridLayout;
  folders->setColumnStretch(2, 1);
  QLineEdit* root = textBox(form_.txtDirFD, "txtDirFD", [this] { form_.txtDirFD_Validate(); });
  folders->addWidget(label(layout::kRootCaption, root), 0, 0);
  folders->addWidget(root, 0, 1, 1, 2);
  auto* pick = new QPushButton;
  pick->setObjectName("cmdRaiz");
  pick->setAccessibleName("cmdRaiz");
  pick->setToolTip(qText(layout::kPickTip));
  pick->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  connect(pick, &QPushButton::clicked, this, [this] { run([this] { form_.cmdRaiz_Click(); }); });
  folders->addWidget(pick, 0, 3);

  const QString folderStyle =
      QString("QLineEdit { background-color: %1; }").arg(rgbOf(layout::kFolderColor));
  int row = 1;
  for (const layout::ModuleRow& module : layout::moduleRows()) {
    QLineEdit* word = textBox(form_.*module.word, module.wordName,
                              [this, validate = module.validate] { validate(form_); });
    word->setMaximumWidth(layout::kWordBoxWidth);
    QLineEdit* folder = textBox(form_.*module.folder, module.folderName);
    folder->setStyleSheet(folderStyle);
    folders->addWidget(label(module.caption, word), row, 0);
    folders->addWidget(word, row, 1);
    folders->addWidget(folder, row, 2, 1, 2);
    ++row;
  }
  page->addLayout(folders);

  page->addWidget(sectionBar(layout::kServersSection));
  auto* server = new QHBoxLayout;
  QLineEdit* serverBox =
      textBox(form_.txtServidor, "txtServidor", [this] { form_.txtServidor_Validate(); });
  server->addWidget(label(layout::kServerCaption, serverBox));
  server->addWidget(serverBox, 1);
  page->addLayout(server);
  for (const layout::GridPlace& place : layout::grids()) {
    if (place.page == layout::General)
      page->addWidget(gridView(place), place.share);
  }
}

void MainWindow::buildPage(int tab, QVBoxLayout* page) {
  for (const layout::GridPlace& place : layout::grids()) {
    if (place.page != tab)
      continue;
    GridView* view = gridView(place);
    page->addWidget(label(place.caption, view));
    page->addWidget(view, place.share);
  }
  auto* bottom = new QHBoxLayout;
  for (const layout::CheckPlace& place : layout::checkBoxes()) {
    if (place.page == tab)
      bottom->addWidget(checkBox(form_.*place.box, place.name, place.text));
  }
  bool any = bottom->count() > 0;
  bottom->addStretch(1);
  for (const layout::ButtonPlace& place : layout::buttons()) {
    if (place.page != tab)
      continue;
    bottom->addWidget(
        button(place.name, place.text, [this, click = place.click] { click(form_); }));
    any = true;
  }
  if (any)
    page->addLayout(bottom);
  else
    delete bottom;
}

QLabel* MainWindow::label(std::string_view text, QWidget* buddy) {
  auto* label = new QLabel(qText(text));
  label->setObjectName("lbl" + label->text());
  label->setAccessibleName(label->text());
  if (buddy != nullptr)
    label->setBuddy(buddy);
  return label;
}

QLabel* MainWindow::sectionBar(std::string_view text) {
  QLabel* bar = label(text);
  bar->setStyleSheet(QString("QLabel { background-color: %1; color: black; font-weight: bold;"
                             " padding: 3px 6px; }")
                         .arg(rgbOf(layout::kSectionColor)));
  return bar;
}

QLineEdit* MainWindow::textBox(TextBox& box, std::string_view name,
                               std::function<void()> validate) {
  auto* edit = new QLineEdit(QString::fromStdString(box.Text()));
  edit->setObjectName(qText(name));
  edit->setAccessibleName(edit->objectName());
  edit->setReadOnly(box.Locked());
  QPointer<QLineEdit> guard = edit;
  box.addListener([guard, &box] {
    if (!guard)
      return;
    const QString text = QString::fromStdString(box.Text());
    if (guard->text() != text)
      guard->setText(text);
    guard->setReadOnly(box.Locked());
  });
  connect(edit, &QLineEdit::textEdited, this, [guard, &box](const QString& text) {
    if (!box.userEdit(text.toStdString()) && guard)
      guard->setText(QString::fromStdString(box.Text()));
  });
  if (validate) {
    validations_[edit] = std::move(validate);
    edit->installEventFilter(this);
  }
  return edit;
}

QCheckBox* MainWindow::checkBox(CheckBox& box, std::string_view name, std::string_view text) {
  auto* check = new QCheckBox(qText(text));
  check->setObjectName(qText(name));
  check->setAccessibleName(check->text());
  check->setChecked(box.Value() == 1);
  QPointer<QCheckBox> guard = check;
  box.addListener([guard, &box] {
    if (guard)
      guard->setChecked(box.Value() == 1);
  });
  connect(check, &QCheckBox::toggled, this, [guard, &box](bool on) {
    if (!box.userEdit(on ? 1 : 0) && guard)
      guard->setChecked(box.Value() == 1);
  });
  return check;
}

QPushButton* MainWindow::button(std::string_view name, std::string_view text,
                                std::function<void()> click) {
  auto* push = new QPushButton(qText(text));
  push->setObjectName(qText(name));
  push->setAccessibleName(push->text());
  QFont bold = push->font();
  bold.setBold(true);
  push->setFont(bold);
  push->setMinimumWidth(layout::kButtonWidth);
  connect(push, &QPushButton::clicked, this, [this, click = std::move(click)] { run(click); });
  return push;
}

GridView* MainWindow::gridView(const layout::GridPlace& place) {
  auto* view = new GridView(form_.*place.grid, place.rowHeightTwips);
  view->setObjectName(qText(place.name));
  view->setAccessibleName(view->objectName());
  return view;
}

bool MainWindow::load() {
  return form_.loadEvent();
}

bool MainWindow::run(const std::function<void()>& event) {
  return form_.runEvent(event);
}

void MainWindow::showAvailability() {
  for (const auto& [widget, control] : described_) {
    if (widget)
      widget->setEnabled(form_.available(*control));
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    // Another window coming to the front, or a pop-up menu, is not the user leaving the box.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      auto found = validations_.find(watched);
      if (found != validations_.end())
        run(found->second);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!form_.Form_QueryUnload()) {
    event->ignore();
    return;
  }
  form_.Form_Unload();
  event->accept();
}

}  // namespace fd
