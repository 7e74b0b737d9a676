#include "app/form1.h"

#include "app/platform.h"
#include "app/runcounter.h"
#include "canvas/form2.h"
#include "canvas/handledrag.h"
#include "canvas/handlegeometry.h"
#include "dialogs/form4.h"
#include "shell/frmabout.h"
#include "shell/gotourl.h"
#include "shell/modfiletype.h"
#include "update/updatewindow.h"

#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QPainter>

// Resources of a static library are not registered until someone asks for them.
static void initResources() { Q_INIT_RESOURCE(quillmark); }

namespace {
QPushButton* commandButton(QWidget* parent, const char* name, const QString& caption,
                           QRect geometry)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QImage pictureTemplateIcon()
{
    QImage icon(32, 32, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    QSvgRenderer(QStringLiteral(":/picture-template.svg")).render(&painter);
    return icon;
}
} // namespace

Form1::Form1(StartupOptions options, QWidget* parent)
    : QWidget(parent)
    , Picture1(new CardCanvas(this))
    , Label1(creationOrder, [this](const SuperLabel& m, int i) { return copyElement(m, i); })
    , ActiveShape1(creationOrder, [this](const ActiveShape& m, int i) { return copyElement(m, i); })
    , Image1(creationOrder, [this](const ImageBox& m, int i) { return copyElement(m, i); })
    , node(creationOrder, [this](const HandleBox& m, int i) { return copyHandle(m, i); })
    , m_options(std::move(options))
{
    initResources();
    setObjectName("Form1");
    setWindowTitle("Quillmark");
    setWindowIcon(QIcon(":/quillmark.svg"));
    setFixedSize(ClientWidth, ClientHeight);
    createCommandBar();
    createDesignTimeControls();

    m_drag = new HandleDrag(Picture1, this);
    connect(m_drag, &HandleDrag::DragOver, this,
            [this](CardElement* element, int handle, float x, float y, int) {
                elementDragOver(element, handle, x, y);
            });
    connect(m_drag, &HandleDrag::DragDrop, this,
            [this](CardElement* element, int, float, float) { dragDrop(element); });
    connect(Picture1, &CardCanvas::MouseMove, this, [this] { setMousePointer(0); });
}

Form1::~Form1() = default;

void Form1::createCommandBar()
{
    Command14 = commandButton(this, "Command14", "New", {0, 0, 41, 41});
    Command13 = commandButton(this, "Command13", "Open", {48, 0, 41, 41});
    Command12 = commandButton(this, "Command12", "Save", {96, 0, 41, 41});
    Command11 = commandButton(this, "Command11", "Text", {144, 0, 41, 41});
    Command9 = commandButton(this, "Command9", "Shape", {192, 0, 41, 41});
    Command10 = commandButton(this, "Command10", "Image", {240, 0, 41, 41});
    Command3 = commandButton(this, "Command3", "Settings", {288, 0, 41, 41});
    Command15 = commandButton(this, "Command15", "Print", {344, 0, 41, 41});
    // The square command buttons are narrow; a smaller face keeps "Settings" whole.
    for (QPushButton* square :
         {Command14, Command13, Command12, Command11, Command9, Command10, Command3, Command15}) {
        QFont small = square->font();
        small.setPointSizeF(small.pointSizeF() * 0.75);
        square->setFont(small);
    }
    Command5 = commandButton(this, "Command5", "About", {8, 272, 81, 33});
    chameleonButton1 = commandButton(this, "chameleonButton1", "Help", {96, 272, 105, 33});
    Command4 = commandButton(this, "Command4", "Check for Update", {208, 272, 145, 33});
    Command1 = commandButton(this, "Command1", QString::fromUtf8("خروج"), {152, 496, 49, 25});
    Command2 = commandButton(this, "Command2", QString::fromUtf8("شكل"), {40, 496, 41, 17});

    connect(Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(chameleonButton1, &QPushButton::clicked, this, &Form1::chameleonButton1_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
}

void Form1::createDesignTimeControls()
{
    Picture1->move(0, 48);

    // The templates, in the order the card file lists them: text, shape, picture.
    Label1.setTemplate(new SuperLabel(Picture1));
    ActiveShape1.setTemplate(new ActiveShape(Picture1));
    Image1.setTemplate(new ImageBox(Picture1));
    applyTemplateDesign();

    auto* node0 = new HandleBox(Picture1);
    node0->setObjectName("node");
    node0->hide();
    node.setTemplate(node0);
    wireHandle(node0);

    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->hide();
    QLineEdit** boxes[] = {&Text1, &Text2, &Text3, &Text4};
    for (int i = 0; i < 4; ++i) {
        *boxes[i] = new QLineEdit(this);
        (*boxes[i])->setObjectName(QString("Text%1").arg(i + 1));
        (*boxes[i])->hide();
    }

    Picture2 = new QWidget(this);
    Picture2->setObjectName("Picture2");
    Picture2->setGeometry(0, 560, 360, 210);

    Image2 = new QLabel(this);
    Image2->setObjectName("Image2");
    Image2->setGeometry(362, 278, 24, 24);
    Image2->setPixmap(QIcon(":/quillmark.svg").pixmap(24, 24));
    Image2->setToolTip(QString::fromUtf8("تابعونا على صفحتنا في الشبكة الاجتماعية"));
}

// The templates as designed: hidden, with the markers and defaults that new elements copy.
void Form1::applyTemplateDesign()
{
    SuperLabel* label0 = Label1[0];
    label0->setObjectName("Label1");
    label0->ReadProperties(SuperLabel::templateProperties());
    label0->setBox(3000, 720, 1380, 330);
    label0->setTag(QString());
    label0->setToolTipText("Text");
    label0->hide();

    ActiveShape* shape0 = ActiveShape1[0];
    shape0->setObjectName("ActiveShape1");
    shape0->ReadProperties(ActiveShape::templateProperties());
    shape0->setBox(360, 1680, 495, 375);
    shape0->setToolTipText("Shape");
    shape0->hide();

    static const QImage icon = pictureTemplateIcon();
    ImageBox* image0 = Image1[0];
    image0->setObjectName("Image1");
    image0->setBox(1080, 240, 480, 285);
    image0->setStretch(true);
    image0->setPicture(icon);
    image0->setTag("img");
    image0->setToolTipText("Double click to change");
    image0->hide();
}

// A new member of an element array: a hidden copy of member 0 with all its properties.
template <class T>
T* Form1::copyElement(const T& member0, int index)
{
    auto* element = new T(Picture1);
    element->setObjectName(member0.objectName());
    element->setIndex(index);
    element->hide();
    // Properties first: the box must not be fitted by the defaults of a bare control.
    element->copyPropertiesFrom(member0);
    element->copyElementFrom(member0);
    wireElement(element);
    return element;
}

HandleBox* Form1::copyHandle(const HandleBox& member0, int index)
{
    auto* handle = new HandleBox(Picture1);
    handle->setObjectName("node");
    handle->setIndex(index);
    handle->hide();
    handle->copyElementFrom(member0);
    wireHandle(handle);
    return handle;
}

void Form1::wireHandle(HandleBox* handle)
{
    connect(handle, &CardElement::MouseDown, this,
            [this, handle](int button, int, float x, float y) { nodeMouseDown(handle, button, x, y); });
    connect(handle, &CardElement::MouseMove, this,
            [this, handle] { setMousePointer(handles::pointerCode(handle->Index())); });
}

QString Form1::programFolder() const
{
    return QFileInfo(m_options.executable).absolutePath();
}

Form2& Form1::form2()
{
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>();
        connect(m_form2->ghjj, &QAction::triggered, this, &Form1::isave);
        connect(m_form2->luyj, &QAction::triggered, this, &Form1::isaveas);
        connect(m_form2->fdsfds, &QAction::triggered, this, &Form1::deleteSelected);
    }
    return *m_form2;
}

// Every step stands on its own: a failure in one never keeps the others from running.
void Form1::Form_Load(bool withCommandLine)
{
    createHandles();
    registerFileType();
    if (withCommandLine)
        readCommandLineCard();
    endOnClose = true;
    updateRunCounter();
}

void Form1::createHandles()
{
    if (node.count() == 1)
        for (int i = 1; i <= 7; ++i)
            node.load(i);
}

void Form1::registerFileType() { modFileType::registerCardFileType(programFolder()); }

void Form1::readCommandLineCard()
{
    const QString& path = m_options.commandLine;
    if (path.isEmpty())
        return;
    readCard(path);
    setCardFileName(path);
}

void Form1::updateRunCounter()
{
    const QString path = QDir(programFolder()).filePath("sat.txt");
    const runcounter::Step step = runcounter::next(runcounter::readFirstLine(path));
    if (step.askForUpdate) {
        const auto answer = Platform::instance().messageBox(
            this, "Check for Update?", "Update", QMessageBox::Yes | QMessageBox::No,
            QMessageBox::Question);
        if (answer == QMessageBox::Yes) {
            openProductPage();
            showUpdateWindow();
        }
    }
    runcounter::write(path, step.newContent);
}

void Form1::showUpdateWindow()
{
    if (updateWindow) {
        updateWindow->raise();
        return;
    }
    auto* window = new UpdateWindow(this);
    updateWindow = window;
    window->setProgramFolder(programFolder());
    if (window->checkForUpdate())
        window->show();
    else
        window->deleteLater();
}

void Form1::GotoURL(const QString& url) { ::GotoURL(url); }

void Form1::closeEvent(QCloseEvent* event)
{
    if (endOnClose) {
        Platform::instance().exit(0);
        return;
    }
    event->accept();
}

void Form1::Command1_Click()
{
    const auto answer = Platform::instance().messageBox(
        this, "Exit?", QString(), QMessageBox::Yes | QMessageBox::No, QMessageBox::NoIcon);
    if (answer == QMessageBox::Yes)
        Platform::instance().exit(0);
}

void Form1::Command3_Click()
{
    // Card Options is made afresh for each showing; the pointer guards against the window
    // going away while the dialog runs.
    QPointer<Form4> dialog = new Form4(this);
    dialog->exec();
    delete dialog.data();
}

void Form1::Command4_Click() { showUpdateWindow(); }

void Form1::Command5_Click() { aboutBox = frmAbout::showFor(this); }

void Form1::Command12_Click()
{
    Form2& helper = form2();
    if (Label2->text().isEmpty())
        helper.ghjj->setEnabled(false);
    Platform::instance().popupMenu(helper.kj, QCursor::pos());
}


void Form1::Command14_Click()
{
    Platform::instance().startDetached(m_options.executable, {});
}

void Form1::chameleonButton1_Click() { openProductPage(); }


