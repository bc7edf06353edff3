// Outcome: whether an operation succeeded, and if not, the system's error
// number and a message that says what failed. The one failure type of the
// library's internal operations, in place of bool with a separate text.
//
//   Outcome Made(int parent, const char* name) {
//       if (mkdirat(parent, name, 0700) != 0)
//           return Outcome::FromErrno(std::string("cannot make ") + name);
//       return Outcome::Success();
//   }
//   const Outcome made = Made(folder, "Plug-ins");
//   if (!made)
//       std::cerr << made.Message();  // "cannot make Plug-ins: Permission denied"
#ifndef QE_OUTCOME_H
#define QE_OUTCOME_H

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

class Outcome {
public:
    static Outcome Success() { return Outcome(0, std::string()); }
    /// A failure with `error` (an errno value; 0 for one the system did not
    /// report) and `message` as it stands.
    static Outcome Failure(int error, std::string message) {
        return Outcome(error == 0 ? kNotFromSystem : error, std::move(message));
    }
    /// A failure with the current errno: `what`, ": ", and the system's text
    /// for it; the system's text alone when `what` is empty.
    static Outcome FromErrno(const std::string& what = std::string()) {
        const int error = errno;
        const std::string text = std::strerror(error);
        return Failure(error, what.empty() ? text : what + ": " + text);
    }

    bool Succeeded() const { return error == 0; }
    explicit operator bool() const { return Succeeded(); }
    /// The errno value of a failure that came from the system; 0 on success
    /// and kNotFromSystem for one it did not report.
    int Error() const { return error; }
    /// Empty on success.
    const std::string& Message() const { return message; }
    /// The same failure with `context` and ": " in front of its message;
    /// success stays success.
    Outcome In(const std::string& context) const {
        return Succeeded() || context.empty() ? *this : Outcome(error, context + ": " + message);
    }

    /// The error of a failure that is the program's own finding, not a
    /// system call's.
    static constexpr int kNotFromSystem = -1;

private:
    Outcome(int error, std::string message) : error(error), message(std::move(message)) {}

    int error;
    std::string message;
};

#endif
