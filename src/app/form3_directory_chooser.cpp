#include "app/form3_directory_chooser.h"

#include "app/form1.h"
#include "app/string_table.h"
#include "base/ascii.h"
#include "catalogue/text_helpers.h"
#include "installer/make_path.h"
#include "installer/ui/screen_centre.h"
#include "platform/machine.h"
#include "presentation/widgets.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace tavox {

namespace {

constexpr int kClientWidth = 323;
constexpr int kClientHeight = 199;
constexpr int kItemHeight = 16;
// The demo's or reader's own directory name starts after "D:\DEMOS\" or "D:\Readers\"; at most 50
// characters of it are suggested.
constexpr std::size_t kDemoNameStart = 9;
constexpr std::size_t kReaderNameStart = 11;
constexpr std::size_t kDefaultNameLength = 50;

// Table texts and catalogue names are in the code page of the edition's Windows, which the default
// character set stands for.
QString Displayed(const std::string& bytes) {
    return QString::fromStdString(ToUtf8(bytes, LabelCodePage(1)));
}

std::string DriveRoot(char letter) {
    return std::string{letter, ':', '\\'};
}

void MakeWhite(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    widget.setPalette(palette);
}

} // namespace

std::string JoinDirectory(std::string_view directory, std::string_view name) {
    std::string joined(directory);
    if (directory.size() != 3) {
        joined += '\\';
    }
    joined += name;
    return joined;
}

DirectoryListBox::DirectoryListBox(QWidget* parent, const FileSystem& files)
    : QListWidget(parent), files_(files) {
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) { Open(item); });
}

bool DirectoryListBox::SetDirectory(const std::string& directory) {
    if (directory.size() < 3 || !files_.DirectoryExists(directory)) {
        return false;
    }
    std::string path = directory;
    if (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    path = UpperCaseAscii(path.substr(0, 1)) + path.substr(1);
    directory_ = path;

    clear();
    // The path from the root down, each entry an open folder, then the directories inside, closed.
    std::string prefix = DriveRoot(path[0]);
    // Drive letters are shown in small letters, as the classic lists show them.
    AddEntry(prefix, std::string{ToLowerAscii(path[0]), ':', '\\'}, 0, true);
    int depth = 1;
    std::size_t start = 3;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        const std::string name = path.substr(start, end - start);
        prefix = JoinDirectory(prefix, name);
        AddEntry(prefix, name, depth++, true);
        start = end + 1;
    }
    setCurrentRow(count() - 1);
    for (const FindEntry& entry : files_.FindFiles(JoinDirectory(path, "*.*"))) {
        if (entry.IsDirectory() && (entry.attributes & FileAttribute::Hidden) == 0) {
            AddEntry(JoinDirectory(path, entry.name), entry.name, depth, false);
        }
    }
    if (on_change) {
        on_change();
    }
    return true;
}

void DirectoryListBox::AddEntry(const std::string& path, const std::string& name, int depth, bool open) {
    const QString shown = QString(depth * 2, QLatin1Char(' ')) +
                          QString::fromStdString(ToUtf8(name, files_.Drives().NameCodePage()));
    auto* item = new QListWidgetItem(
        style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon), shown, this);
    item->setData(Qt::UserRole, QByteArray::fromStdString(path));
    item->setSizeHint(QSize(0, kItemHeight));
}

void DirectoryListBox::Open(const QListWidgetItem* item) {
    if (item) {
        SetDirectory(item->data(Qt::UserRole).toByteArray().toStdString());
    }
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event) {
    // Enter opens the entry; it does not confirm the dialog.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Open(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

TForm3::TForm3(TForm1& owner) : QDialog(&owner), owner_(owner) {
    setObjectName(QStringLiteral("Form3"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(ArialFont(12));
    CreateComponents();
}

TForm3::~TForm3() = default;

void TForm3::CreateComponents() {
    const FileSystem& files = owner_.services.machine.Files();
    // Qt's parent owns every component.
    Image1 = new ImageBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kClientWidth, kClientHeight);
    Image1->stretch = true;

    EditDir1 = new QLineEdit(QStringLiteral("C:\\"), this);
    EditDir1->setObjectName(QStringLiteral("EditDir1"));
    EditDir1->setGeometry(26, 24, 175, 22);

    DirectoryListBox1 = new DirectoryListBox(this, files);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setGeometry(24, 56, 177, 97);

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(24, 160, 177, 20);
    for (const Drive& drive : files.Drives().Drives()) {
        DriveComboBox1->addItem(QString::fromLatin1(std::string{ToLowerAscii(drive.letter), ':'}),
                                QVariant(static_cast<int>(drive.letter)));
    }

    for (QWidget* field : {static_cast<QWidget*>(EditDir1), static_cast<QWidget*>(DirectoryListBox1),
                           static_cast<QWidget*>(DriveComboBox1)}) {
        field->setFont(ArialFont(11));
        MakeWhite(*field);
    }

    const auto button = [this](const char* name, const QString& caption, int top) {
        auto* push = new QPushButton(caption, this);
        push->setObjectName(QString::fromLatin1(name));
        push->setGeometry(226, top, 75, 25);
        return push;
    };
    OKButton = button("OKButton", QStringLiteral("&OK"), 32);
    OKButton->setDefault(true);
    CancelButton = button("CancelButton", QStringLiteral("&Cancel"), 64);
    NewButton = button("NewButton", QStringLiteral("New"), 96);
    NewButton->hide();

    setTabOrder(OKButton, EditDir1);
    setTabOrder(EditDir1, DirectoryListBox1);
    setTabOrder(DirectoryListBox1, DriveComboBox1);
    setTabOrder(DriveComboBox1, CancelButton);
    OKButton->setFocus();

    DirectoryListBox1->on_change = [this] { DirectoryListBox1Change(); };
    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, [this] { DriveComboBox1Change(); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
}

bool TForm3::Forced() const {
    const NavigationState& navigation = owner_.navigation;
    return navigation.CurrentPage == PageKind::Demos &&
           owner_.catalogue.Demos[navigation.CurrentItem].InstallType == InstallType::ArchiveToForcedDir;
}

std::string TForm3::EditText() const {
    return FromUtf8(EditDir1->text().toStdString(), owner_.services.machine.Drives().NameCodePage());
}

void TForm3::SetEditText(const std::string& text) {
    EditDir1->setText(QString::fromStdString(ToUtf8(text, owner_.services.machine.Drives().NameCodePage())));
}

char TForm3::SelectedDrive() const {
    return static_cast<char>(DriveComboBox1->currentData().toInt());
}

void TForm3::SelectDrive(char letter) {
    const int index = DriveComboBox1->findData(QVariant(static_cast<int>(letter)));
    if (index >= 0) {
        DriveComboBox1->setCurrentIndex(index);
    }
}

void TForm3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (shown_) {
        return;
    }
    shown_ = true;
    FormShow();
    CentreOnScreen(*this);
    // Activation follows once the window is on the screen.
    QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TForm3::FormShow() {
    Image1->SetImage(owner_.BackgroundImage->Image());
    const NavigationState& navigation = owner_.navigation;
    const auto name_from = [](const std::string& install_dir, std::size_t start) {
        return install_dir.size() > start ? install_dir.substr(start, kDefaultNameLength) : std::string();
    };
    const int language = owner_.preferences.Language;
    std::optional<StringId> caption;
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        DefaultName = name_from(owner_.catalogue.Demos[navigation.CurrentItem].InstallDir, kDemoNameStart);
        caption = StringId::DemoDirectoryCaption;
        break;
    case PageKind::Readers:
        DefaultName =
            name_from(owner_.catalogue.Readers[navigation.CurrentItem].InstallDir, kReaderNameStart);
        caption = StringId::ReaderDirectoryCaption;
        break;
    case PageKind::Updates:
        caption = StringId::UpdateDirectoryCaption;
        break;
    default:
        break;
    }
    DialogLanguage = static_cast<std::uint8_t>(language);
    if (caption) {
        setWindowTitle(Displayed(owner_.LoadString(*caption)));
    }
    if (language == kEnglish) {
        NewButton->setText(QStringLiteral("New"));
    } else if (language == kCzech) {
        NewButton->setText(QStringLiteral("Nový"));
    }

    const char drive_c = 'C';
    SelectDrive(drive_c);
    DirectoryListBox1->SetDirectory(DriveRoot(drive_c));
    if (Forced()) {
        DefaultName = owner_.catalogue.Demos[navigation.CurrentItem].InstallParam;
        EditDir1->setReadOnly(true);
        DirectoryListBox1->setEnabled(false);
        DriveComboBox1->setEnabled(false);
        SetEditText(DefaultName);
    } else {
        SetEditText(JoinDirectory(DirectoryListBox1->Directory(), DefaultName));
    }
}

void TForm3::FormActivate() {
    // A forced directory is confirmed at once; the user is still asked.
    if (Forced()) {
        OKButtonClick();
    }
}

void TForm3::DirectoryListBox1Change() {
    SetEditText(JoinDirectory(DirectoryListBox1->Directory(), DefaultName));
}

void TForm3::DriveComboBox1Change() {
    const char previous = DirectoryListBox1->Drive();
    const char letter = SelectedDrive();
    if (!DirectoryListBox1->SetDirectory(DriveRoot(letter))) {
        owner_.services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                                      QStringLiteral("Drive not ready!"));
        DirectoryListBox1->SetDirectory(DriveRoot(previous));
        const QSignalBlocker quiet(DriveComboBox1);
        SelectDrive(previous);
        return;
    }
    OKButton->setEnabled(owner_.services.machine.Drives().TypeOf(letter) != DriveType::CdRom);
}

void TForm3::ResetEditDir() {
    SetEditText(Forced() ? DefaultName : JoinDirectory(DirectoryListBox1->Directory(), DefaultName));
}

bool TForm3::ConfirmTarget(const std::string& path) {
    StringId question{};
    switch (owner_.navigation.CurrentPage) {
    case PageKind::Demos:
        question = StringId::InstallDemoQuestion;
        break;
    case PageKind::Updates:
        question = StringId::InstallUpdateQuestion;
        break;
    case PageKind::Readers:
        question = StringId::InstallProgramQuestion;
        break;
    default:
        return false;
    }
    const std::string text = LoadSpecial(DialogLanguage, question, UpperCaseAscii(path));
    return owner_.services.messages.Ask(QStringLiteral("Confirm"), Displayed(text));
}

void TForm3::OKButtonClick() {
    std::string path = EditText();
    if (!ConfirmTarget(path)) {
        ResetEditDir();
        return;
    }
    if (!path.empty() && path.back() == '\\') {
        path.pop_back();
        SetEditText(path);
    }
    if (MakePath(owner_.services.machine.Files(), path)) {
        owner_.folders.ChosenDir = EditText();
        accept();
        return;
    }
    owner_.services.messages.Show(MessageKind::Error, QStringLiteral("Error"),
                                  Displayed(LoadString(DialogLanguage, StringId::CannotCreateDirectory)));
    ResetEditDir();
}

void TForm3::CancelButtonClick() {
    reject();
}

void TForm3::reject() {
    owner_.folders.ChosenDir.clear();
    QDialog::reject();
}

void TForm1::ShowDirectoryChooser() {
    TForm3 dialog(*this);
    dialog.exec();
}

} // namespace tavox
