#include "ui/MainWindow.h"

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
#include <exception>

#include "platform/Desktop.h"
#include "ui/GridView.h"
#include "ui/PickerDialog.h"
#include "ui/QtDesktop.h"
#include "window/WindowControls.h"
#include "window/frmActualiza1.h"
#include "window/frmPath.h"

namespace fd {

const char* const MainWindow::kTabCaptions[4] = {"    General    ", "    Descomprimir    ",
                                                 "    Actualizar   ", "    Resultados    "};

namespace {

constexpr int kWindowWidthTwips = 14600;
constexpr int kBasesRowTwips = 360;
constexpr int kGridRowTwips = 390;
constexpr const char* kReadOnlyFolderStyle = "QLineEdit { background-color: rgb(224, 224, 224); }";
constexpr const char* kStatusStyle =
    "QLineEdit { background-color: black; color: white; border: 1px solid black; }";
constexpr const char* kSectionStyle =
    "QLabel { background-color: rgb(192, 255, 192); color: black; font-weight: bold;"
    " padding: 3px 6px; }";

// Our own mark: a blue rounded square with the letters FD and a green arrow rising from it.
QPixmap drawLogo(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF square(1, 1, size - 2, size - 2);
  QLinearGradient fill(square.topLeft(), square.bottomRight());
  fill.setColorAt(0, QColor(40, 90, 170));
  fill.setColorAt(1, QColor(15, 45, 110));
  painter.setPen(Qt::NoPen);
  painter.setBrush(fill);
  painter.drawRoundedRect(square, size / 6.0, size / 6.0);
  QFont font("Sans", 1, QFont::Bold);
  font.setPixelSize(size * 4 / 10);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRectF(0, size * 0.12, size * 0.72, size * 0.8), Qt::AlignCenter, "FD");
  QPainterPath arrow;
  const double x = size * 0.78;
  arrow.moveTo(x, size * 0.18);
  arrow.lineTo(x + size * 0.14, size * 0.40);
  arrow.lineTo(x + size * 0.05, size * 0.40);
  arrow.lineTo(x + size * 0.05, size * 0.80);
  arrow.lineTo(x - size * 0.05, size * 0.80);
  arrow.lineTo(x - size * 0.05, size * 0.40);
  arrow.lineTo(x - size * 0.14, size * 0.40);
  arrow.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(120, 220, 120));
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
  buildGeneral(addPage(0));
  buildDescomprimir(addPage(1));
  buildActualizar(addPage(2));
  buildResultados(addPage(3));
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
  logo->setPixmap(drawLogo(40));
  logo->setContentsMargins(0, 0, 6, 2);
  tabs_->setCornerWidget(logo, Qt::TopRightCorner);

  QLineEdit* status = textBox(form_.txtEstado, "txtEstado");
  status->setStyleSheet(kStatusStyle);
  status->setFocusPolicy(Qt::NoFocus);

  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(tabs_, 1);
  layout->addWidget(status);
  setCentralWidget(central);
  resize(kWindowWidthTwips / 15, 640);

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
  page->setAccessibleName(QString::fromUtf8(kTabCaptions[tab]).trimmed());
  tabs_->addTab(page, QString::fromUtf8(kTabCaptions[tab]));
  return new QVBoxLayout(page);
}

void MainWindow::buildGeneral(QVBoxLayout* layout) {
  layout->addWidget(sectionBar("Directorios"));
  auto* folders = new QGridLayout;
  folders->setColumnStretch(2, 1);
  QLineEdit* root = textBox(form_.txtDirFD, "txtDirFD", [this] { form_.txtDirFD_Validate(); });
  folders->addWidget(label("Fendal", root), 0, 0);
  folders->addWidget(root, 0, 1, 1, 2);
  auto* pick = new QPushButton;
  pick->setObjectName("cmdRaiz");
  pick->setAccessibleName("cmdRaiz");
  pick->setToolTip("Seleccionar carpeta");
  pick->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  connect(pick, &QPushButton::clicked, this, [this] { run([this] { form_.cmdRaiz_Click(); }); });
  folders->addWidget(pick, 0, 3);

  struct Module {
    const char* caption;
    TextBox& word;
    const char* wordName;
    TextBox& folder;
    const char* folderName;
    std::function<void()> validate;
  };
  const Module modules[] = {
      {"Comercial", form_.txtCom, "txtCom", form_.txtDirCom, "txtDirCom",
       [this] { form_.txtCom_Validate(); }},
      {"Contabilidad", form_.txtCon, "txtCon", form_.txtDirCon, "txtDirCon",
       [this] { form_.txtCon_Validate(); }},
      {"CRM", form_.txtCRM, "txtCRM", form_.txtDirCRM, "txtDirCRM",
       [this] { form_.txtCRM_Validate(); }},
      {"MRP", form_.txtMRP, "txtMRP", form_.txtDirMRP, "txtDirMRP",
       [this] { form_.txtMRP_Validate(); }},
      {"INI", form_.txtIni, "txtIni", form_.txtDirIni, "txtDirIni",
       [this] { form_.txtIni_Validate(); }},
  };
  int row = 1;
  for (const Module& module : modules) {
    QLineEdit* word = textBox(module.word, module.wordName, module.validate);
    word->setMaximumWidth(140);
    QLineEdit* folder = textBox(module.folder, module.folderName);
    folder->setStyleSheet(kReadOnlyFolderStyle);
    folders->addWidget(label(module.caption, word), row, 0);
    folders->addWidget(word, row, 1);
    folders->addWidget(folder, row, 2, 1, 2);
    ++row;
  }
  layout->addLayout(folders);

  layout->addWidget(sectionBar("Bases"));
  auto* server = new QHBoxLayout;
  QLineEdit* serverBox =
      textBox(form_.txtServidor, "txtServidor", [this] { form_.txtServidor_Validate(); });
  server->addWidget(label("Servidor", serverBox));
  server->addWidget(serverBox, 1);
  layout->addLayout(server);
  layout->addWidget(gridView(form_.flxBases, "flxBases", kBasesRowTwips), 1);
}

void MainWindow::buildDescomprimir(QVBoxLayout* layout) {
  addCaptionedGrid(layout, "Paquetes", form_.flxRar, "flxRar", 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(button("cmdDes", "Descomprimir", [this] { form_.cmdDes_Click(); }));
  layout->addLayout(buttons);
}

void MainWindow::buildActualizar(QVBoxLayout* layout) {
  addCaptionedGrid(layout, "Archivos", form_.flxFile, "flxFile", 3);
  addCaptionedGrid(layout, "Scripts", form_.flxScrp, "flxScrp", 2);
  auto* stages = new QHBoxLayout;
  stages->addWidget(checkBox(form_.chkFiles, "chkFiles", "Bajar Archivos"));
  stages->addWidget(checkBox(form_.chkComandos, "chkComandos", "Ejecutar cfd"));
  stages->addWidget(checkBox(form_.chkScripts, "chkScripts", "Ejecutar Scripts"));
  stages->addStretch(1);
  stages->addWidget(button("cmdAct", "Actualizar", [this] { form_.cmdAct_Click(); }));
  layout->addLayout(stages);
}

void MainWindow::buildResultados(QVBoxLayout* layout) {
  addCaptionedGrid(layout, "Logs", form_.flxLog, "flxLog", 1);
}

QLabel* MainWindow::label(const char* text, QWidget* buddy) {
  auto* label = new QLabel(QString::fromUtf8(text));
  label->setObjectName(QString("lbl") + text);
  label->setAccessibleName(label->text());
  if (buddy != nullptr)
    label->setBuddy(buddy);
  return label;
}

QLabel* MainWindow::sectionBar(const char* text) {
  QLabel* bar = label(text);
  bar->setStyleSheet(kSectionStyle);
  return bar;
}

QLineEdit* MainWindow::textBox(TextBox& box, const char* name, std::function<void()> validate) {
  auto* edit = new QLineEdit(QString::fromStdString(box.Text()));
  edit->setObjectName(name);
  edit->setAccessibleName(name);
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

QCheckBox* MainWindow::checkBox(CheckBox& box, const char* name, const char* text) {
  auto* check = new QCheckBox(QString::fromUtf8(text));
  check->setObjectName(name);
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

QPushButton* MainWindow::button(const char* name, const char* text, std::function<void()> click) {
  auto* push = new QPushButton(QString::fromUtf8(text));
  push->setObjectName(name);
  push->setAccessibleName(push->text());
  QFont bold = push->font();
  bold.setBold(true);
  push->setFont(bold);
  push->setMinimumWidth(130);
  connect(push, &QPushButton::clicked, this, [this, click = std::move(click)] { run(click); });
  return push;
}

GridView* MainWindow::gridView(Grid& grid, const char* name, int rowHeightTwips) {
  auto* view = new GridView(grid, rowHeightTwips);
  view->setObjectName(name);
  view->setAccessibleName(name);
  return view;
}

void MainWindow::addCaptionedGrid(QVBoxLayout* layout, const char* caption, Grid& grid,
                                  const char* name, int stretch) {
  GridView* view = gridView(grid, name, kGridRowTwips);
  layout->addWidget(label(caption, view));
  layout->addWidget(view, stretch);
}

bool MainWindow::load() {
  bool loaded = false;
  return run([&] { loaded = form_.Form_Load(); }) && loaded;
}

bool MainWindow::run(const std::function<void()>& event) {
  try {
    event();
    return true;
  } catch (const std::exception& error) {
    form_.services.desktop.msgBox(error.what(), msgbox::kCritical, "");
    return false;
  }
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
