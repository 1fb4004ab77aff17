#include "macroeditor/frmmacro.h"

#include "base/hostdialogs.h"
#include "chat/gesturekeys.h"
#include "files/settingsfile.h"
#include "game/gamefiles.h"
#include "game/reportwrite.h"
#include "game/savewarnings.h"
#include "macros/macroexpand.h"
#include "windows/busypointer.h"

#include <QAction>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

const QColor Selected(192, 192, 255);
const QString MacroFilter = QStringLiteral("Macro File (*.TXT)|*.txt|All Files (*.*)|*.*");
const QString CrLf = QStringLiteral("\r\n");

// The text box keeps lines as blocks; a macro text joins them with CR LF.
QString boxText(QString macroText)
{
    macroText.replace(CrLf, QStringLiteral("\n"));
    macroText.replace(u'\r', u'\n');
    return macroText;
}

// The document's raw text, not toPlainText(), which turns no-break spaces
// into plain ones. Blocks end in U+2029; Shift+Enter puts U+2028 inside one.
QString macroText(const QPlainTextEdit &box)
{
    QString raw = box.document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, u'\n');
    raw.replace(QChar::LineSeparator, u'\n');
    raw.replace(u'\n', CrLf);
    return raw;
}

} // namespace

frmMacro::frmMacro(const ChildContext &context, QWidget *parent)
    : SavesOnClose(parent), m_gs(context.gs), m_dialogs(context.dialogs),
      m_writeSettings(context.writeSettings)
{
    setObjectName(QStringLiteral("frmMacro"));
    setWindowTitle(QStringLiteral("Macro Editor"));
    buildControls();
    buildMenus();
    Form_Load();
}

void frmMacro::buildControls()
{
    auto *central = new QWidget;
    auto *h = new QHBoxLayout(central);

    Frame1 = new QGroupBox;
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *grid = new QGridLayout(Frame1);
    for (int i = 1; i <= MacroCount; ++i) {
        auto *b = new QLineEdit(QString::number(i));
        b->setObjectName(QStringLiteral("txtButton%1").arg(i));
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAlignment(Qt::AlignCenter);
        b->setFixedWidth(40);
        b->setCursor(Qt::PointingHandCursor);
        b->setMouseTracking(true);
        b->setAutoFillBackground(true);
        b->installEventFilter(this);
        txtButton[i] = b;
        highlight(i, false);
        grid->addWidget(b, (i - 1) / 4, (i - 1) % 4);
    }
    h->addWidget(Frame1, 0, Qt::AlignTop);

    auto *v = new QVBoxLayout;
    txtMacroGuide = new QLineEdit;
    txtMacroGuide->setObjectName(QStringLiteral("txtMacroGuide"));
    txtMacroGuide->setReadOnly(true);
    txtMacroGuide->setFocusPolicy(Qt::NoFocus);
    Label2 = new QLabel(QStringLiteral("Macro descriptive name"));
    Label2->setObjectName(QStringLiteral("Label2"));
    txtMacroName = new QLineEdit;
    txtMacroName->setObjectName(QStringLiteral("txtMacroName"));
    Label2->setBuddy(txtMacroName);
    Label1 = new QLabel;
    Label1->setObjectName(QStringLiteral("Label1"));
    txtMacroText = new QPlainTextEdit;
    txtMacroText->setObjectName(QStringLiteral("txtMacroText"));
    txtMacroText->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtMacroText->installEventFilter(this);
    Label1->setBuddy(txtMacroText);
    v->addWidget(txtMacroGuide);
    v->addWidget(Label2);
    v->addWidget(txtMacroName);
    v->addWidget(Label1);
    v->addWidget(txtMacroText, 1);
    // The placeholders a macro line may use, where the text is written.
    auto *lblPlaceholders = new QLabel(QStringLiteral("Placeholders: ") + placeholderList());
    lblPlaceholders->setObjectName(QStringLiteral("lblPlaceholders"));
    lblPlaceholders->setTextFormat(Qt::PlainText);
    lblPlaceholders->setWordWrap(true);
    lblPlaceholders->setTextInteractionFlags(Qt::TextSelectableByKeyboard |
                                             Qt::TextSelectableByMouse);
    v->addWidget(lblPlaceholders);
    h->addLayout(v, 1);

    connect(txtMacroName, &QLineEdit::textChanged, this, [this] { Changed = true; });
    connect(txtMacroText, &QPlainTextEdit::textChanged, this, [this] { Changed = true; });

    setCentralWidget(central);
    resize(560, 300);
}

void frmMacro::buildMenus()
{
    auto action = [this](const char *name, const char *caption) {
        QAction *a = mnuFile->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuNew = action("mnuNew", "&New");
    mnuOpen = action("mnuOpen", "&Open");
    mnuSave = action("mnuSave", "&Save");
    mnuSaveAs = action("mnuSaveAs", "Save &As...");
    mnuSep1 = mnuFile->addSeparator();
    mnuSep1->setObjectName(QStringLiteral("mnuSep1"));
    mnuExit = action("mnuExit", "E&xit");

    connect(mnuNew, &QAction::triggered, this, [this] { mnuNew_Click(); });
    connect(mnuOpen, &QAction::triggered, this, [this] { mnuOpen_Click(); });
    connect(mnuSave, &QAction::triggered, this, [this] { mnuSave_Click(); });
    connect(mnuSaveAs, &QAction::triggered, this, [this] { mnuSaveAs_Click(); });
    connect(mnuExit, &QAction::triggered, this, [this] { close(); });
}

void frmMacro::Form_Load()
{
    EditIndex = 1;
    Changed = false;
    // Filling the boxes counts as a change, so closing at once rewrites the
    // file when macro 1 has content.
    showMacro(1);
    highlight(1, true);
    txtMacroGuide->setText(m_gs.Macros[1].Name);
}

void frmMacro::highlight(int index, bool selected)
{
    QPalette p = txtButton[index]->palette();
    p.setColor(QPalette::Base, selected ? Selected : QColor(Qt::white));
    txtButton[index]->setPalette(p);
}

void frmMacro::showMacro(int index)
{
    const MacroRec &macro = m_gs.Macros[index];
    // A box set to what it already holds does not change.
    if (macroText(*txtMacroText) != macro.Text)
        txtMacroText->setPlainText(boxText(macro.Text));
    txtMacroName->setText(macro.Name);
    Label1->setText(QStringLiteral("Macro ") + QString::number(index));
}

void frmMacro::copyBoxesBack()
{
    m_gs.Macros[EditIndex].Name = txtMacroName->text();
    m_gs.Macros[EditIndex].Text = macroText(*txtMacroText);
}

void frmMacro::txtButton_Click(int index)
{
    if (index != EditIndex) {
        copyBoxesBack();
        highlight(EditIndex, false);
    }
    EditIndex = static_cast<Integer>(index);
    highlight(index, true);
    txtMacroName->setFocus();
    showMacro(index);
}

bool frmMacro::writeMacroFile()
{
    return warnMacroFileLosses(m_gs, m_dialogs) && writeWarned();
}

bool frmMacro::writeWarned()
{
    const WriteResult result = [&] {
        const BusyPointer::Wait busy;
        return MacroWriter(m_gs);
    }();
    // After a failed write the file does not hold the macros: Changed stays.
    if (!reportWrite(m_dialogs, result))
        return false;
    Changed = false;
    return true;
}

bool frmMacro::mnuSave_Click()
{
    if (m_gs.MacroFile.isEmpty())
        return mnuSaveAs_Click();
    return writeMacroFile();
}

bool frmMacro::mnuSaveAs_Click()
{
    const std::optional<QString> path = m_dialogs.saveFile(MacroFilter, m_gs.MacroFile);
    if (!path || path->isEmpty())
        return false;
    // Refused, the macros stay named by the file that still holds them.
    if (!warnMacroFileLosses(m_gs, m_dialogs))
        return false;
    m_gs.MacroFile = *path;
    return writeWarned();
}

bool frmMacro::saveChangesFirst(const QString &title)
{
    if (!Changed)
        return true;
    switch (m_dialogs.ask(QStringLiteral("Save changes to Macro file?"), title, true)) {
    case HostDialogs::Answer::Yes:
        // A save the host asked for but that did not happen must not be
        // followed by throwing the macros away.
        return mnuSave_Click();
    case HostDialogs::Answer::No:
        return true;
    case HostDialogs::Answer::Cancel:
        break;
    }
    return false;
}

void frmMacro::mnuNew_Click()
{
    if (!saveChangesFirst(QStringLiteral("Save Changes")))
        return;
    m_gs.MacroFile.clear();
    for (int i = 1; i <= MacroCount; ++i)
        m_gs.Macros[i] = MacroRec();
    for (int n = 0; n < SubCount; ++n)
        m_gs.Subs[n].clear();
    Changed = false;
}

void frmMacro::mnuOpen_Click()
{
    if (!saveChangesFirst(QStringLiteral("Save Changes?")))
        return;
    const std::optional<QString> path = m_dialogs.openFile(MacroFilter);
    if (!path || path->isEmpty())
        return;
    // A failure's message box shows the normal pointer over this hourglass.
    const BusyPointer::Wait busy;
    m_gs.MacroFile = *path;
    MacroReader(m_gs, m_dialogs);
    Changed = false;
    EditIndex = 1;
    // Refilling the boxes counts as a change again, as at loading.
    showMacro(1);
    for (int i = 1; i <= MacroCount; ++i)
        highlight(i, i == 1);
    txtMacroGuide->setText(m_gs.Macros[1].Name);
}

void frmMacro::Form_Unload()
{
    copyBoxesBack();
    if (Changed)
        mnuSave_Click();
    warnSettingsLosses({{QStringLiteral("Macro file path"), m_gs.MacroFile}}, m_dialogs);
    m_writeSettings();
}

bool frmMacro::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtMacroText && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // A held key repeats its release; the character goes in once.
        if (key->isAutoRepeat())
            return false;
        const QChar c = GestureKeys::inserted(key->key(), key->modifiers());
        if (!c.isNull())
            txtMacroText->insertPlainText(QString(c));
        return false;
    }
    for (int i = 1; i <= MacroCount; ++i) {
        if (watched != txtButton[i])
            continue;
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::MouseMove:
            txtMacroGuide->setText(m_gs.Macros[i].Name);
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            // The number is not for selecting.
            return true;
        case QEvent::MouseButtonRelease: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() == Qt::LeftButton &&
                txtButton[i]->rect().contains(mouse->position().toPoint()))
                txtButton_Click(i);
            return true;
        }
        default:
            break;
        }
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

QWidget *createMacroEditor(const ChildContext &context)
{
    return new frmMacro(context);
}
