// The WebSocket stream of the match, on a connection whose request asked for it.
#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/websocket/stream_base.hpp>

#include "tribune/contexte.h"

namespace tribune {

// No handshake or idle limit and no pings: set on a WebSocket being cut, so
// that its own timer does not keep the io_context running.
boost::beast::websocket::stream_base::timeout sans_limite();

// The socket takes more only while a few tens of kilobytes of it are unsent,
// so that a slow reader is behind by that much at most, not by megabytes.
void limite_non_envoye(boost::beast::tcp_stream& flux);

// Completes the handshake, then sends the match until it ends, the spectator
// leaves, or stops reading (counted in the context). The caller holds the
// stream's place.
void diffuse(ContexteSpectateurs& contexte, boost::beast::tcp_stream& flux,
             boost::asio::io_context& ioc,
             const boost::beast::http::request<boost::beast::http::empty_body>& requete);

}  // namespace tribune
