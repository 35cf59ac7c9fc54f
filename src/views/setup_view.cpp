#include "views/setup_view.h"

#include "services/usage_service.h"
#include "views/view_fonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

SetupView::SetupView(UsageService& usage, const QString& cookieText, std::function<void()> onClose,
                     QWidget* parent)
    : QWidget(parent), m_usage(usage), m_onClose(std::move(onClose))
{
    setFixedSize(viewWidth, viewHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);

    auto* section = new QVBoxLayout;
    section->setSpacing(6);
    const QString heading = QStringLiteral("Session Cookie");
    auto* header = new QLabel(heading);
    header->setFont(ViewFonts::font(13, QFont::DemiBold));
    section->addWidget(header);

    m_editor = new QPlainTextEdit(cookieText);
    m_editor->setFont(ViewFonts::font(13));
    m_editor->setMinimumHeight(120);
    // Cookies are one long line without spaces: wrap anywhere so all of it stays in
    // view, without changing the text itself.
    m_editor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_editor->setTabChangesFocus(true);
    m_editor->setAccessibleName(heading);
    header->setBuddy(m_editor);
    section->addWidget(m_editor, 1);
    layout->addLayout(section, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(QStringLiteral("Cancel"));
    m_save = new QPushButton(QStringLiteral("Save"));
    // Outside a dialog push buttons ignore Return unless told otherwise.
    m_cancel->setAutoDefault(true);
    m_save->setAutoDefault(true);
    m_save->setDefault(true);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_save);
    layout->addLayout(buttons);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &SetupView::cancel);
    connect(m_cancel, &QPushButton::clicked, this, &SetupView::cancel);
    connect(m_save, &QPushButton::clicked, this, &SetupView::save);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &SetupView::updateSaveEnabled);
    updateSaveEnabled();
}

QString SetupView::savableCookie(const QString& text)
{
    return text.trimmed();
}

QString SetupView::cookieText() const
{
    return m_editor->toPlainText();
}

void SetupView::save()
{
    const QString cookie = savableCookie(cookieText());
    if (!cookie.isEmpty())
        m_usage.saveCookie(cookie);
}

void SetupView::cancel()
{
    if (m_onClose)
        m_onClose();
}

void SetupView::updateSaveEnabled()
{
    m_save->setEnabled(!savableCookie(cookieText()).isEmpty());
}
