// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <tl/expected.hpp>

#include <utility>

// What the project's own fallible functions return: the value, or why there is none.
// `code` carries an error number where the caller has a list of them (libzip's, the
// interpreter's log numbers), 0 otherwise; `message` is the text to log or show.
struct Error {
    int code = 0;
    QString message;
};

template <class T = void> using Result = tl::expected<T, Error>;

inline tl::unexpected<Error> fail(QString message, int code = 0)
{
    return tl::unexpected<Error>(Error{code, std::move(message)});
}
