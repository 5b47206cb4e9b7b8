// Each load shows its time and a counter kept for this pane's session, so every reload is
// visible although the page itself never changes.
document.getElementById("time").textContent = new Date().toLocaleTimeString();
try {
  const key = "vantle-demo:" + location.pathname;
  const count = Number(sessionStorage.getItem(key) || 0) + 1;
  sessionStorage.setItem(key, String(count));
  document.getElementById("count").textContent = count;
} catch (e) {
  // Storage may be off for local files: the time still shows each load.
}
