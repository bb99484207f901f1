// Folds the detailed description of each member on a click on its title,
// in the manner of Doxygen's dynsections.js (written for these test pages).
function toggleVisibility(link) {
    var body = document.getElementById(link.id + '-content');
    body.style.display = body.style.display === 'none' ? 'block' : 'none';
}
document.addEventListener('DOMContentLoaded', function () {
    var headers = document.querySelectorAll('.dynheader');
    for (var i = 0; i < headers.length; i++) {
        headers[i].onclick = function () { toggleVisibility(this); };
    }
});
