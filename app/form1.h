#pragma once

#include "controls/activeshape.h"
#include "controls/imagebox.h"
#include "controls/superlabel.h"
#include "canvas/cardcanvas.h"
#include "canvas/handlebox.h"
#include "document/controlarray.h"
#include "document/reservedtexts.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class Form2;
class PrintCommand;
class HandleDrag;
class QLabel;
class QLineEdit;
class QPushButton;

// Where this copy of the program runs from and what it was started with.
struct StartupOptions {
    QString executable;  // the running program; "sat.txt" and "ic.ico" lie beside it
    QString commandLine; // the arguments after the program, joined by single spaces
};

// The main window: the card canvas with the design, the command bar, and the hidden controls
// that hold the editor's state.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 390;
    static constexpr int ClientHeight = 315;

    explicit Form1(StartupOptions options, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence; opening a card runs it again without the command-line card.
    void Form_Load(bool withCommandLine = true);

    QString programFolder() const;
    Form2& form2();

    // The design.
    CardCanvas* Picture1;
    CreationSequence creationOrder;
    ControlArray<SuperLabel> Label1;
    ControlArray<ActiveShape> ActiveShape1;
    ControlArray<ImageBox> Image1;
    ControlArray<HandleBox> node;
    qint16 textCount = 0;
    qint16 pictureCount = 0;
    qint16 shapeCount = 0;
    ReservedTexts textReserve;
    ReservedTexts pictureReserve;
    bool endOnClose = false;

    // Hidden editor state.
    QLabel* Label2;   // current card file name
    QLineEdit* Text1; // selected element's index
    QLineEdit* Text2; // selected element's kind code
    QLineEdit* Text3; // kind code of the element added last
    QLineEdit* Text4; // "1" once the print sheet is primed
    QWidget* Picture2;
    QLabel* Image2;

    // Command bar.
    QPushButton* Command14; // New
    QPushButton* Command13; // Open
    QPushButton* Command12; // Save
    QPushButton* Command11; // Text
    QPushButton* Command9;  // Shape
    QPushButton* Command10; // Image
    QPushButton* Command3;  // Settings
    QPushButton* Command15; // Print
    QPushButton* Command5;  // About
    QPushButton* chameleonButton1; // Help
    QPushButton* Command4;  // Check for Update
    QPushButton* Command1;  // exit, below the visible area
    QPushButton* Command2;  // add shape, below the visible area

    void Command1_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void chameleonButton1_Click();

    // Adding elements.
    void Command11_Click(); // a text item
    void Command9_Click();  // a shape
    void Command2_Click();  // a shape, brought to the front
    void Command10_Click(); // a picture

    // Selection, moving and resizing.
    float downX = 0;
    float downY = 0;
    void PlaceHandles(const CardElement* element);
    void HideHandles();
    void ResizeSelected(int handle, float X, float Y);
    // The selected element named by Text1 and Text2; null when it does not exist.
    CardElement* selectedElement() const;
    // The window's pointer shape by code: 0 arrow, 6 to 9 the sizing shapes.
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int code);

    // "Delete" of the element pop-up menu.
    void deleteSelected();

    // The card file.
    void isave();
    void isaveas();
    // Re-creates the card and its elements from a card file; false when it cannot be read.
    bool readCard(const QString& path);
    // Writes the design to a file, whole or not at all; false (with the reason) on failure.
    bool writeCard(const QString& path, QString* error = nullptr) const;
    void GotoURL(const QString& url);

    // The Print button's chain.
    PrintCommand* printCommand;

    // Windows owned by the main window, while open.
    QPointer<QWidget> aboutBox;
    QPointer<QWidget> updateWindow;
    QPointer<QWidget> textOptions;
    QPointer<QWidget> shapeOptions;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createDesignTimeControls();
    void applyTemplateDesign();
    void resetToStartupState();
    bool saveTo(const QString& path);
    void setCardFileName(const QString& path);
    void createCommandBar();
    template <class T>
    T* copyElement(const T& member0, int index);
    HandleBox* copyHandle(const HandleBox& member0, int index);
    void createHandles();
    void wireElement(CardElement* element);
    void wireHandle(HandleBox* handle);
    bool isMember(const CardElement* element) const;
    // Element `index` of the array with that kind code, or null.
    CardElement* member(const QString& kind, int index) const;
    void bringToFront(CardElement* element);
    void raiseHandles();
    void elementMouseDown(CardElement* element, int button, float x, float y);
    void elementMouseUp(CardElement* element, float x, float y);
    void elementDblClick(CardElement* element);
    void elementDragOver(CardElement* element, int handle, float x, float y);
    void dragDrop(CardElement* element);
    void nodeMouseDown(HandleBox* handle, int button, float x, float y);
    bool chooseImage(QString& path);
    void replacePicture();
    void openTextOptions();
    void openShapeOptions();
    void registerFileType();
    void readCommandLineCard();
    void updateRunCounter();
    void showUpdateWindow();

    StartupOptions m_options;
    std::unique_ptr<Form2> m_form2;
    HandleDrag* m_drag;
    int m_mousePointer = 0;
};
