#pragma once

#include <QString>
#include <functional>

// Every message box of the program goes through here. The default shows a Qt message box;
// with no display (the offscreen or minimal platform), in a process started by automation, or
// when told so, nobody could answer it: the box is then written to the log and takes its
// default answer at once. Tests put an answering function in its place.
class MessageBoxes {
public:
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct Request {
        QString text;
        QString title;
        Buttons buttons = Buttons::Ok;
        // The answer taken when nobody can be asked.
        Answer defaultAnswer = Answer::Ok;
    };
    using Handler = std::function<Answer(const Request&)>;

    static Answer show(const Request& request);

    // Replaces the default; an empty handler brings it back.
    static void setHandler(Handler handler);

    // True when a box would reach nobody: no display or an automation start.
    static bool unattended();
    // The log line of a box that took its default answer.
    static QString unattendedLogLine(const Request& request);

private:
    static Answer showDialog(const Request& request);
};
