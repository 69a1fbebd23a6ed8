#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace tavox {

enum class MessageKind { Plain, Error, Information };

// Every message box of the menu goes through this, so that tests can see and answer them.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void Show(MessageKind kind, const QString& caption, const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(const QString& caption, const QString& text) = 0;
};

// Modal boxes on the screen, owned by a window.
class ScreenMessageBoxes : public MessageBoxes {
public:
    explicit ScreenMessageBoxes(QWidget* owner) : owner_(owner) {}
    void Show(MessageKind kind, const QString& caption, const QString& text) override;
    bool Ask(const QString& caption, const QString& text) override;

private:
    QWidget* owner_;
};

// The boxes of a start that nobody watches (--snapshot): each is written to standard error with its caption
// instead of waiting for a click. A message counts as read with OK, a question as answered No, which leaves
// everything as it was.
class UnattendedMessageBoxes : public MessageBoxes {
public:
    void Show(MessageKind kind, const QString& caption, const QString& text) override;
    bool Ask(const QString& caption, const QString& text) override;
};

// The message boxes of a start: on the screen, or on standard error when nobody is there to answer them.
std::unique_ptr<MessageBoxes> MakeMessageBoxes(bool watched);

} // namespace tavox
