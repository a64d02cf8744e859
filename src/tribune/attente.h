// Asynchronous Asio operations run one at a time on a connection's own
// io_context, so that the connection thread reads like blocking code while
// every operation keeps its time limit.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/beast/core/error.hpp>

namespace tribune {

// Starts an operation with `lance(fin)` and runs the io_context until it has
// completed; returns its error. The operation's handler may take any values
// after the error code.
template <typename Lance>
boost::beast::error_code attend(boost::asio::io_context& ioc, Lance&& lance) {
  boost::beast::error_code erreur;
  lance([&erreur](boost::beast::error_code e, auto&&...) { erreur = e; });
  ioc.restart();
  ioc.run();
  return erreur;
}

}  // namespace tribune
