#!/usr/bin/python3
"""The web console in a real browser (Debian's chromium, headless, driven by chromedriver).

    console_browser_test.py SERVICE TERMINAL_SIM DEMO_CATALOGUE VESKA_PASSWD [SCREENSHOT_DIR]

The service serves the demo shop with no display at all and the console that gerencia.conf
asks for (its password hashed by veska-passwd). The browser logs in, sees a `terminal-sim
listen` terminal appear, sends it a message that the terminal prints, looks up a code, and
downloads the not-found CSV, reads the usage chart the page draws and prints the availability
of the day to PDF. With SCREENSHOT_DIR it saves the status, terminals, not-found, usage and
availability pages there. Exits non-zero at the first failure.
"""
import base64
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.print_page_options import PrintOptions
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as ready
from selenium.webdriver.support.ui import WebDriverWait

WAIT = 60  # seconds: a generous deadline for every condition


def own_loopback_address():
    # The test process's own 127.A.B.C, as tests/support/LoopbackEndpoint.h makes it.
    pid = os.getpid()
    return "127.%d.%d.%d" % (64 + ((pid >> 16) & 63), (pid >> 8) & 255, pid & 255)


def wait_for_line(stream_path, text, process):
    deadline = time.monotonic() + WAIT
    while time.monotonic() < deadline:
        with open(stream_path, encoding="utf-8") as stream:
            if text in stream.read():
                return
        if process.poll() is not None:
            break
        time.sleep(0.1)
    with open(stream_path, encoding="utf-8") as stream:
        sys.exit("not seen: %r\n%s" % (text, stream.read()))


def api(console_at, browser, path):
    """The JSON of an API request made with the browser's session."""
    cookie = "veska_session=" + browser.get_cookie("veska_session")["value"]
    request = urllib.request.Request("http://%s%s" % (console_at, path),
                                     headers={"Cookie": cookie})
    opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
    with opener.open(request, timeout=WAIT) as answer:
        return json.load(answer)


def check_usage_chart(browser, console_at, shots):
    # The latest hour with scans (the current one) as the API counts it, in its bar's title;
    # both are read again until they agree (the journal writes its rows in batches).
    today = browser.find_element(By.ID, "de").get_attribute("value")
    seen = {}

    def drawn(_):
        rows = api(console_at, browser,
                   "/api/reports/usage?from=%s&to=%s&by=hour" % (today, today))
        browser.find_element(By.CSS_SELECTOR, "#periodo button").click()
        # Both scans (one not found) journaled: they may fall in two hours.
        if sum(r["scans"] for r in rows) < 2 or sum(r["not_found"] for r in rows) < 1:
            return False
        hour = rows[-1]["group"][11:13]
        seen["expected"] = "%sh: %d consultas, %d não encontrados" % (
            hour, rows[-1]["scans"], rows[-1]["not_found"])
        # Read in one go: the click above may redraw the chart meanwhile.
        seen["drawn"] = browser.execute_script(
            "const title = document.querySelector("
            "  `#uso svg g.hora[data-hora='${arguments[0]}'] title`);"
            "return [document.querySelectorAll('#uso svg g.hora rect.consultas').length,"
            "        title && title.textContent];", hour)
        return seen["drawn"] == [24, seen["expected"]]
    try:
        WebDriverWait(browser, WAIT, poll_frequency=0.2).until(drawn)
    except TimeoutException:
        sys.exit("the usage chart does not show the API's figures: %r" % seen)
    if shots:
        browser.find_element(By.ID, "uso").screenshot(os.path.join(shots, "console-usage.png"))


def check_availability_page(browser, shots):
    # Today's availability opens in a tab of its own, names the listening terminal, and prints.
    console = browser.current_window_handle
    browser.find_element(By.ID, "disponibilidade").click()
    WebDriverWait(browser, WAIT).until(ready.number_of_windows_to_be(2))
    browser.switch_to.window([h for h in browser.window_handles if h != console][0])

    def listed(_):
        if "127.0.0.23" in browser.find_element(By.TAG_NAME, "table").text:
            return True
        browser.refresh()  # the journal writes its rows in batches
        return False
    WebDriverWait(browser, WAIT, poll_frequency=0.5).until(
        listed, "the availability page lacks the terminal 127.0.0.23")
    if shots:
        browser.save_screenshot(os.path.join(shots, "console-availability.png"))
    a4 = PrintOptions()
    a4.page_width, a4.page_height = 21.0, 29.7
    pdf = base64.b64decode(browser.print_page(a4))
    if not pdf.startswith(b"%PDF"):
        sys.exit("printing the availability page gave no PDF: %r" % pdf[:16])
    browser.close()
    browser.switch_to.window(console)


def main(service_path, sim_path, demo_path, passwd_path, shots=None):
    address = own_loopback_address()
    terminals_at = "%s:29163" % address
    console_at = "%s:29164" % address
    with tempfile.TemporaryDirectory() as shop:
        subprocess.run([demo_path, "--dir", shop], check=True, stdout=subprocess.DEVNULL)
        password_hash = subprocess.run([passwd_path], input=b"senha do gerente\n", check=True,
                                       stdout=subprocess.PIPE).stdout.decode().strip()
        with open(os.path.join(shop, "gerencia.conf"), "w", encoding="utf-8") as settings:
            settings.write("web_listen = %s\nweb_password = %s\n" % (console_at, password_hash))
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(TERMSERVER_LISTEN=terminals_at, FIREBIRD_LOCK=os.path.join(shop, ".lock"),
                   LC_ALL="pt_BR.UTF-8")
        log_path = os.path.join(shop, "service.log")
        downloads = os.path.join(shop, "downloads")
        os.mkdir(downloads)
        with open(log_path, "w", encoding="utf-8") as log:
            service = subprocess.Popen([service_path], cwd=shop, env=env, stdout=log,
                                       stderr=subprocess.STDOUT)
        listener = None
        browser = None
        try:
            wait_for_line(log_path, "Console web em http://%s/" % console_at, service)
            wait_for_line(log_path, "Servidor inicializado com sucesso.", service)
            subprocess.run([sim_path, "--server", terminals_at, "scan", "404",
                            "7891000000038"], check=True,
                           stdout=subprocess.DEVNULL, env=env)
            listener = subprocess.Popen(
                [sim_path, "--server", terminals_at, "--bind", "127.0.0.23", "listen", "--for",
                 str(WAIT * 3)], stdout=subprocess.PIPE, env=env)

            options = webdriver.ChromeOptions()
            options.add_argument("--headless")
            options.add_argument("--no-sandbox")
            options.add_argument("--window-size=420,900")  # a phone's width
            options.add_experimental_option("prefs", {"download.default_directory": downloads})
            browser = webdriver.Chrome(options=options)
            wait = WebDriverWait(browser, WAIT)
            browser.get("http://%s/" % console_at)
            browser.find_element(By.ID, "senha").send_keys("senha do gerente")
            browser.find_element(By.CSS_SELECTOR, "#entrar button").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "status-tab"),
                                                           "em funcionamento"))
            if shots:
                browser.save_screenshot(os.path.join(shots, "console-status.png"))

            browser.find_element(By.CSS_SELECTOR, "nav button[data-p=terminais]").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "terminais-tab"),
                                                           "127.0.0.23"))
            browser.find_element(By.ID, "msg-l1").send_keys("OFERTA DO DIA")
            browser.find_element(By.ID, "msg-l2").send_keys("CAFÉ 500G")
            if shots:
                browser.save_screenshot(os.path.join(shots, "console-terminals.png"))
            browser.find_element(By.CSS_SELECTOR, "#mensagem button").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "msg-res"),
                                                           "Mensagem enviada."))
            printed = listener.stdout.readline().decode().strip()
            if printed != "MSG\tOFERTA DO DIA\tCAFÉ 500G\t5":
                sys.exit("the terminal printed %r" % printed)

            browser.find_element(By.CSS_SELECTOR, "nav button[data-p=consulta]").click()
            browser.find_element(By.ID, "codigo").send_keys("7891000000038")
            browser.find_element(By.CSS_SELECTOR, "#consultar button").click()
            wait.until(ready.text_to_be_present_in_element((By.ID, "display"), "R$ 18,88"))

            browser.find_element(By.CSS_SELECTOR, "nav button[data-p=relatorios]").click()
            csv_path = os.path.join(downloads, "nao-encontrados.csv")
            deadline = time.monotonic() + WAIT
            while time.monotonic() < deadline:
                browser.find_element(By.CSS_SELECTOR, "#periodo button").click()
                if "404" in browser.find_element(By.ID, "nf-tab").text:
                    break
                time.sleep(0.2)
            if "404" not in browser.find_element(By.ID, "nf-tab").text:
                sys.exit("the not-found report lacks the code 404")
            if shots:
                browser.save_screenshot(os.path.join(shots, "console-not-found.png"))
            browser.find_element(By.ID, "csv").click()
            WebDriverWait(browser, WAIT).until(lambda _: os.path.exists(csv_path))
            with open(csv_path, encoding="utf-8-sig") as csv:
                if "404" not in csv.read():
                    sys.exit("the downloaded CSV lacks the code 404")
            check_usage_chart(browser, console_at, shots)
            check_availability_page(browser, shots)
            print("logged in, listed and messaged a terminal, looked up, downloaded the CSV, "
                  "drew the usage chart, printed the availability")
        finally:
            if browser:
                browser.quit()
            if listener:
                listener.kill()
                listener.wait()
            service.send_signal(signal.SIGTERM)
            if service.wait(timeout=WAIT) != 0:
                sys.exit("the service ended with %d" % service.returncode)


if __name__ == "__main__":
    main(*sys.argv[1:])
