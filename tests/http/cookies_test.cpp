// Response cookies: collecting the Set-Cookie pairs, merging them into the caller's cookie string
// across several responses, and the small list helpers.
#include "http/cookies.h"

#include <gtest/gtest.h>

namespace {

TEST(CollectReceivedCookies, TakesTheLeadingPairOfEachSetCookieLine) {
  struct Case {
    const char* what;
    Text headers;
    Text received;
  };
  const Case cases[] = {
      {"two headers, attributes dropped", "Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2", "a=1; b=2"},
      {"amid other headers, in header order",
       "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: z=9; HttpOnly\r\n"
       "Server: x\r\nSet-Cookie: a=1\r\n\r\n",
       "z=9; a=1"},
      {"other letter case is not collected", "set-cookie: a=1", ""},
      {"no space after the colon is not collected", "Set-Cookie:a=1", ""},
      {"a name that only starts like it", "Set-Cookie2: a=1", ""},
      {"a piece without =", "Set-Cookie: flag", "flag"},
      {"an empty piece alone", "Set-Cookie: ; Path=/", ""},
      {"an empty piece, then another", "Set-Cookie: ; Path=/\r\nSet-Cookie: b=2", "; b=2"},
      {"set twice, listed twice", "Set-Cookie: a=1\r\nSet-Cookie: a=2; Max-Age=0", "a=1; a=2"},
      {"blanks trimmed", "Set-Cookie:   a=1  ; Secure", "a=1"},
      {"the value keeps its own '='", "Set-Cookie: t=x==; Path=/", "t=x=="},
      {"no Set-Cookie header", "Content-Length: 0\r\n", ""},
      {"empty headers (failed exchange)", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(collect_received_cookies(c.headers), c.received);
  }
}

TEST(MergeCookieStrings, Examples) {
  struct Case {
    const char* what;
    Text sent;
    Text received;
    Text merged;
  };
  const Case cases[] = {
      {"received replace and lead", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
      {"deleted", "a=1", "a=deleted", ""},
      {"deletion keeps the others", "a=1; b=2", "a=deleted", "b=2"},
      {"first of several sent with one name", "a=1; a=2", "", "a=1"},
      {"exact duplicates reduced", "", "x=1; x=1", "x=1"},
      {"same name, different values both stay", "", "x=1; x=2", "x=1; x=2"},
      {"trailing semicolon without space", "a=1;", "", "a=1"},
      {"blanks around both", "  a=1  ", "\xA1\xA1" "b=2 ", "b=2; a=1"},
      {"nothing received: the sent string, cleaned", " a=1; b=2;", "", "a=1; b=2"},
      {"nothing sent", "", "a=1", "a=1"},
      {"both empty", "", "", ""},
      {"names compare with letter case", "A=1", "a=2", "a=2; A=1"},
      {"names trimmed for comparison", "a =1", "a=2", "a=2"},
      {"a deletion mark for a name never sent", "a=1", "b=deleted", "a=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Text sent = c.sent;
    Text received = c.received;
    EXPECT_EQ(merge_cookie_strings(sent, received), c.merged);
    EXPECT_EQ(sent, c.merged);
  }
}

TEST(MergeCookieStrings, RewritesReceivedTrimmed) {
  Text sent = "a=1";
  Text received = "  b=2;";
  merge_cookie_strings(sent, received);
  EXPECT_EQ(received, "b=2; ");
}

// The way http_request carries the caller's cookie string from one response to the next: collect,
// merge, and keep the merged string for the next request.
TEST(MergeCookieStrings, CarriesTheCookieStringAcrossResponses) {
  struct Response {
    const char* what;
    Text headers;
    Text cookies_after;
  };
  const Response responses[] = {
      {"log-in sets two", "Set-Cookie: sid=abc; Path=/\r\nSet-Cookie: lang=zh; Max-Age=3600",
       "sid=abc; lang=zh"},
      {"a page sets nothing", "Content-Type: text/html", "sid=abc; lang=zh"},
      {"the session is renewed", "Set-Cookie: sid=def; HttpOnly", "sid=def; lang=zh"},
      {"a new one joins", "Set-Cookie: theme=dark", "theme=dark; sid=def; lang=zh"},
      {"log-out deletes the session",
       "Set-Cookie: sid=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT", "theme=dark; lang=zh"},
      {"a failed exchange", "", "theme=dark; lang=zh"},
      {"everything deleted", "Set-Cookie: theme=deleted\r\nSet-Cookie: lang=deleted", ""},
      {"and set again", "Set-Cookie: sid=ghi", "sid=ghi"},
  };
  Text cookies;
  for (const Response& response : responses) {
    SCOPED_TRACE(response.what);
    Text received = collect_received_cookies(response.headers);
    received = merge_cookie_strings(cookies, received);
    EXPECT_EQ(cookies, response.cookies_after);
    EXPECT_EQ(received, response.cookies_after);
  }
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEquals) {
  struct Case {
    Text piece;
    Text name;
  };
  const Case cases[] = {
      {"a=1", "a"}, {" a =1", "a"}, {"a=b=c", "a"}, {"flag", "flag"},
      {" flag ", "flag"}, {"=v", ""}, {"", ""}, {"\xA1\xA1" "n=v", "n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.piece);
    EXPECT_EQ(cookie_name(c.piece), c.name);
  }
}

TEST(CookieHelpers, HasCookieNamedAndFindItem) {
  const TextArray pieces{"a=1", " b =2", "flag"};
  EXPECT_TRUE(has_cookie_named(pieces, "b"));
  EXPECT_TRUE(has_cookie_named(pieces, "flag"));
  EXPECT_FALSE(has_cookie_named(pieces, "A"));
  EXPECT_FALSE(has_cookie_named(pieces, "1"));
  EXPECT_FALSE(has_cookie_named(TextArray{}, ""));

  const TextArray items{"x", "y", "x", ""};
  EXPECT_EQ(find_item(items, "x"), 1);
  EXPECT_EQ(find_item(items, "y"), 2);
  EXPECT_EQ(find_item(items, ""), 4);
  EXPECT_EQ(find_item(items, "X"), -1);
  EXPECT_EQ(find_item(TextArray{}, "x"), -1);
}

TEST(RemoveDuplicateItems, KeepsFirstOccurrences) {
  struct Case {
    Text text;
    Text separator;
    Text result;
  };
  const Case cases[] = {
      {"a; b; a; c; b", "; ", "a; b; c"},
      {"", "; ", ""},
      {"a,,a,", ",", "a,"},
      {"x", ",", "x"},
      {"a=1; a=1 ; a=1", "; ", "a=1; a=1 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(remove_duplicate_items(c.text, c.separator), c.result);
  }
}

}  // namespace
