#include "browser/Uabout.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

namespace dyskel {

namespace {

constexpr const char* CopyrightText = "\u00a9 the Dyskel team\nC64 D64 disk editor";
constexpr const char* EmailText = "mail@example.org";
constexpr const char* UrlText = "www.example.org";

template <class W>
W* Place(W* w, QWidget* parent, const char* name, int left, int top, int width, int height) {
    w->setParent(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(left, top, width, height);
    return w;
}

QLabel* CentredText(QWidget* parent, const char* name, int left, int top, int width, int height, int pixels,
                    bool bold = false) {
    auto* label = Place(new QLabel, parent, name, left, top, width, height);
    QFont f = label->font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    label->setFont(f);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

QFrame* Bevel(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* frame = Place(new QFrame, parent, name, left, top, width, height);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return frame;
}

QLabel* LoweredPanel(QWidget* parent, const char* name, int left, int top, int width, int height,
                     const char* text) {
    auto* panel = Place(new QLabel(QString::fromUtf8(text)), parent, name, left, top, width, height);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    panel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return panel;
}

} // namespace

QPixmap DyskelLogo() {
    QPixmap pix(90, 115);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    // The jacket.
    p.setPen(QPen(QColor(20, 20, 30), 1));
    p.setBrush(QColor(45, 45, 60));
    p.drawRoundedRect(QRectF(2.5, 14.5, 85, 85), 3, 3);
    // Hub ring and spindle hole.
    p.setBrush(QColor(170, 150, 110));
    p.drawEllipse(QPointF(45, 57), 13, 13);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(45, 57), 7, 7);
    // Index hole and the head slot.
    p.setBrush(QColor(170, 150, 110));
    p.drawEllipse(QPointF(63, 48), 2.5, 2.5);
    p.setBrush(QColor(110, 95, 70));
    p.drawRoundedRect(QRectF(40, 74, 10, 22), 4, 4);
    // Write-protect notch.
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(82, 30, 6, 8));
    // The label, in the C64's blues.
    p.setBrush(QColor(64, 49, 141));
    p.drawRect(QRectF(10, 20, 62, 18));
    p.setPen(QColor(124, 112, 218));
    QFont f;
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(10, 20, 62, 18), Qt::AlignCenter, QStringLiteral("D64"));
    return pix;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setFixedSize(298, 177);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QString::fromLatin1(AboutCaption));
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);

    Panel1 = Place(new QFrame, this, "Panel1", 0, 0, 297, 177);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    BevelProd = Bevel(Panel1, "BevelProd", 104, 8, 185, 113);
    ImgLogo = Place(new QLabel, Panel1, "ImgLogo", 8, 8, 90, 115);
    ImgLogo->setPixmap(DyskelLogo());
    LblProdName = CentredText(Panel1, "LblProdName", 112, 16, 169, 25, 16, true);
    LblProdVersion = CentredText(Panel1, "LblProdVersion", 112, 40, 169, 25, 16);
    LblCopyRight = CentredText(Panel1, "LblCopyRight", 112, 72, 169, 41, 13);
    BevelInfo = Bevel(Panel1, "BevelInfo", 8, 128, 241, 41);
    PanelEmail = LoweredPanel(Panel1, "PanelEmail", 16, 136, 113, 25, EmailText);
    PanelURL = LoweredPanel(Panel1, "PanelURL", 134, 136, 107, 25, UrlText);
    OKButton = Place(new QPushButton(QStringLiteral("OK")), Panel1, "OKButton", 256, 136, 34, 25);
    OKButton->setDefault(true);
    OKButton->setFocus();
    connect(OKButton, &QPushButton::clicked, this, &TAboutBox::accept);
    FormActivate();
}

void TAboutBox::FormActivate() {
    setWindowTitle(QString::fromLatin1(AboutCaption));
    LblProdName->setText(QString::fromLatin1(ProductName));
    LblProdVersion->setText(QString::fromLatin1(ProductVersion));
    LblCopyRight->setText(QString::fromUtf8(CopyrightText));
}

void TAboutBox::showEvent(QShowEvent* event) {
    FormActivate();
    OKButton->setFocus();
    QDialog::showEvent(event);
}

} // namespace dyskel
